#pragma once

#include <QtGlobal>

// The user of a local TCP peer, from the kernel's socket table
// (/proc/net/tcp of the service's network namespace).
class PeerCredentials
{
public:
    // The owner of the socket 127.0.0.1:peerPort that is connected to
    // 127.0.0.1:localPort, or -1 when there is none.
    static qint64 loopbackPeerUid(quint16 localPort, quint16 peerPort);
    // The same lookup over a table in the kernel's text format.
    static qint64 uidFromTable(const QByteArray &table, quint16 localPort, quint16 peerPort);
};
