#pragma once

#include <QString>
#include <QStringList>

// A list of DNS server addresses (IPv4 or IPv6, as the owner decides) with
// its comma-separated text form.
class DnsSettings
{
public:
    DnsSettings() = default;
    explicit DnsSettings(const QStringList &list);
    // A list of the one address, or an empty list for an empty text.
    explicit DnsSettings(const QString &address);

    // Appends the address unless it is empty.
    void append(const QString &address);
    QStringList dnsList() const { return m_dnsList; }
    void setDnsList(const QStringList &list) { m_dnsList = list; }

    QString toString() const;
    // The text split at the separator, empty parts kept.
    static DnsSettings fromString(const QString &text);
    // The addresses as arguments of the network-setup program: an empty text
    // gives the single word "Empty", which clears a service's DNS servers.
    static QStringList fromStringForCommandLine(const QString &text);

    // True when the list holds one of the predefined VPN DNS addresses.
    bool vpnDnsEntryExistsInList() const;
    static bool vpnDnsEntryExistsInList(const QStringList &list);

    static QString vpnDnsIPv4Predefined() { return QStringLiteral("172.16.0.1"); }
    static QString vpnDnsIPv6Predefined() { return QStringLiteral("fd00:dead:beef:cafe::1"); }

    static const QString m_separator;

private:
    QStringList m_dnsList;
};
