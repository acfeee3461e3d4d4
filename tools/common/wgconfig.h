#pragma once

#include <QString>
#include <QStringList>

// The engine's configuration file: the [Interface] and [Peer] sections the
// client writes, including the Address and DNS lines that `wg setconf` does
// not take. Only those keys, once each section, with values of the shapes
// the client writes: every value is checked before it reaches a system
// command. Allowed IPs other than the two default routes may not reach into
// loopback or link-local space (the tunnel must not capture the machine's
// own traffic), and the tunnel address must be a plain unicast address.
class WgConfig
{
public:
    // Parses and validates; on failure returns false and sets error.
    static bool parse(const QByteArray &text, WgConfig &config, QString &error);

    QString privateKey; // Base64, 32 bytes
    QString address; // IPv4 or IPv6 with prefix length, e.g. 10.66.0.2/32
    QStringList dns; // IPv4/IPv6 addresses
    QString peerPublicKey;
    QString presharedKey; // optional
    QStringList allowedIps;
    QString endpointHost; // numeric address
    quint16 endpointPort = 0;
    int persistentKeepalive = 0;

    QString endpoint() const;
    // The configuration written back in the one form the service hands to the
    // engine; parse() reads it back to the same values.
    QByteArray canonicalText() const;
    bool routesEverything4() const { return allowedIps.contains(QStringLiteral("0.0.0.0/0")); }
    bool routesEverything6() const { return allowedIps.contains(QStringLiteral("::/0")); }

    static bool isKey(const QString &text);
    static bool isPrefix(const QString &text);
};
