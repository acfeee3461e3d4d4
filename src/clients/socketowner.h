#pragma once

#include <QHostAddress>
#include <QString>

// Finds which user owns a TCP socket of this network namespace, from the
// kernel's socket tables (/proc/net/tcp and /proc/net/tcp6). The socket is
// named by its own address and port and by those of its peer.
class SocketOwner
{
public:
    static QString objectName() { return QStringLiteral("SocketOwner"); }

    // True and *uid set when such a socket exists and is connected (ESTABLISHED).
    static bool uid(const QHostAddress &address, quint16 port, const QHostAddress &peerAddress,
                    quint16 peerPort, uint *uid);

    // The same lookup in the text of one table, for the given address family.
    static bool uidInTable(const QByteArray &table, bool ipv6Table, const QHostAddress &address, quint16 port,
                           const QHostAddress &peerAddress, quint16 peerPort, uint *uid);

    // An address and port as the table prints them ("0100007F:F215" for
    // 127.0.0.1:61973 on a little-endian machine); empty when the address
    // cannot appear in that table.
    static QByteArray tableEndpoint(const QHostAddress &address, quint16 port, bool ipv6Table);
};
