#include "peercredentials.h"

#include <QByteArray>
#include <QFile>
#include <QList>

namespace {
// 127.0.0.1 as the kernel prints it: the address in host byte order, in hex.
const QByteArray loopback = "0100007F";

QByteArray endpoint(quint16 port)
{
    return loopback + ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
}
} // namespace

qint64 PeerCredentials::uidFromTable(const QByteArray &table, quint16 localPort, quint16 peerPort)
{
    // Columns: sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid ...
    // The peer's own socket is the one whose local end is the peer's port.
    const QByteArray peerEnd = endpoint(peerPort);
    const QByteArray serviceEnd = endpoint(localPort);
    const QList<QByteArray> lines = table.split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 8 || fields.at(1) != peerEnd || fields.at(2) != serviceEnd)
            continue;
        bool ok = false;
        const qint64 uid = fields.at(7).toLongLong(&ok);
        return ok ? uid : -1;
    }
    return -1;
}

qint64 PeerCredentials::loopbackPeerUid(quint16 localPort, quint16 peerPort)
{
    QFile file(QStringLiteral("/proc/net/tcp"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return uidFromTable(file.readAll(), localPort, peerPort);
}
