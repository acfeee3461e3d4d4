#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

// Finds which user owns a TCP socket of this network namespace, from the
// kernel's socket tables (/proc/net/tcp and /proc/net/tcp6). The kernel
// records the user that made a socket; a process cannot change it later.
class SocketOwner
{
public:
    static QString objectName() { return QStringLiteral("SocketOwner"); }

    // True and *uid set when the socket with this address and port, connected
    // to the peer's address and port, exists and is ESTABLISHED. A socket that
    // is closing no longer counts: the kernel reports no owner for it.
    static bool uid(const QHostAddress &address, quint16 port, const QHostAddress &peerAddress,
                    quint16 peerPort, uint *uid);

    // The same lookup in the text of one table, for the given address family.
    static bool uidInTable(const QByteArray &table, bool ipv6Table, const QHostAddress &address, quint16 port,
                           const QHostAddress &peerAddress, quint16 peerPort, uint *uid);

    // The owners of every listening socket that a connection to 127.0.0.1:port
    // could reach: bound to 127.0.0.1 or to the wildcard address, in either
    // table. Empty when nobody listens there.
    static QList<uint> loopbackListenerUids(quint16 port);
    static QList<uint> loopbackListenerUidsInTable(const QByteArray &table, bool ipv6Table, quint16 port);

    // An address and port as the table prints them ("0100007F:F215" for
    // 127.0.0.1:61973 on a little-endian machine); empty when the address
    // cannot appear in that table.
    static QByteArray tableEndpoint(const QHostAddress &address, quint16 port, bool ipv6Table);
};
