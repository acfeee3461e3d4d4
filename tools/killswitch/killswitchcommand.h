#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

// One command line of the kill-switch tool, checked before any rule text
// is built:
//   enable all SERVER [local|""]   block everything but the tunnel and SERVER
//   disable all                    remove the protection
class KillSwitchCommand
{
public:
    enum ExitCode { Success = 0, BadArguments = 1, Failure = 2 };

    static bool parse(const QStringList &arguments, KillSwitchCommand *command, QString *error);
    static QString usage();

    bool enable() const { return m_enable; }
    QHostAddress server() const { return m_server; }
    bool allowLocalNetworks() const { return m_allowLocalNetworks; }

    // The nftables script of this command.
    QByteArray script() const;
    // Applies the script with the given nft program; returns the exit code.
    int apply(const QString &nftProgram, QString *error) const;

private:
    bool m_enable = false;
    QHostAddress m_server;
    bool m_allowLocalNetworks = false;
};
