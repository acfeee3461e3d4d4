#pragma once

#include <QString>
#include <QStringList>

// The options an OpenVPN server pushes, as the comma-separated items of its
// push reply (empty items dropped).
class PushReplyMessage
{
public:
    explicit PushReplyMessage(const QString &reply);

    bool isValid() const { return !m_items.isEmpty(); }
    QStringList items() const { return m_items; }

    // The values of every item that begins with the key (case-sensitive), the
    // key removed and white space simplified.
    QStringList dataByKey(const QString &key) const;
    // The last valid IPv4 and the last valid IPv6 "dhcp-option DNS" address;
    // true only when both were found.
    bool dnsServerAddresses(QString &ipv4, QString &ipv6) const;

private:
    QStringList m_items;
};
