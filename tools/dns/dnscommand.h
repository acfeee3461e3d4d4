#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

// One command line of the DNS tool, checked before anything is touched:
//   vpn ENTRY... [stealth:ADDRESS]   the VPN's servers
//   user [ENTRY...]                  the user's servers back
//   reset                            the user's servers back after a crash
// An entry is "DEVICE@ADDRESS,ADDRESS,..." (empty parts allowed). The
// machine has one resolver for all devices, so the addresses of all entries
// together, in order and without repeats, make the server list.
class DnsCommand
{
public:
    enum Verb { Vpn, User, Reset };

    // False with a message when the command line is not valid.
    static bool parse(const QStringList &arguments, DnsCommand *command, QString *error);
    static QString usage();

    Verb verb() const { return m_verb; }
    // The addresses of the entries, in canonical form.
    QStringList servers() const { return m_servers; }
    // The Stealth server that needs a route outside the tunnel; null when none.
    QHostAddress stealthServer() const { return m_stealthServer; }

private:
    Verb m_verb = Reset;
    QStringList m_servers;
    QHostAddress m_stealthServer;
};
