#include "socketowner.h"

#include <QFile>
#include <QList>

#include <cstring>

namespace {
// The tables list every socket of the namespace; a busy machine has
// thousands, so the file is read line by line without holding it all.
constexpr qint64 maxLineLength = 512;

QByteArray hexWords(const quint8 *bytes, int count)
{
    // Each 32-bit word of the address in network order, printed as the
    // machine reads it in its own byte order.
    QByteArray text;
    for (int i = 0; i < count; i += 4) {
        quint32 word = 0;
        std::memcpy(&word, bytes + i, sizeof(word));
        text += QByteArray::number(word, 16).rightJustified(8, '0').toUpper();
    }
    return text;
}
} // namespace

QByteArray SocketOwner::tableEndpoint(const QHostAddress &address, quint16 port, bool ipv6Table)
{
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    QByteArray text;
    if (!ipv6Table) {
        if (!isIpv4)
            return QByteArray();
        const quint8 bytes[4] = {quint8(ipv4 >> 24), quint8(ipv4 >> 16), quint8(ipv4 >> 8), quint8(ipv4)};
        text = hexWords(bytes, 4);
    } else {
        // An IPv4 peer of an IPv6 socket appears in its mapped form.
        const Q_IPV6ADDR ipv6 = isIpv4
            ? QHostAddress(QStringLiteral("::ffff:%1").arg(QHostAddress(ipv4).toString())).toIPv6Address()
            : address.toIPv6Address();
        text = hexWords(ipv6.c, 16);
    }
    return text + ':' + QByteArray::number(port, 16).rightJustified(4, '0').toUpper();
}

bool SocketOwner::uidInTable(const QByteArray &table, bool ipv6Table, const QHostAddress &address,
                             quint16 port, const QHostAddress &peerAddress, quint16 peerPort, uint *uid)
{
    const QByteArray local = tableEndpoint(address, port, ipv6Table);
    const QByteArray remote = tableEndpoint(peerAddress, peerPort, ipv6Table);
    if (local.isEmpty() || remote.isEmpty())
        return false;
    const QList<QByteArray> lines = table.split('\n');
    for (const QByteArray &line : lines) {
        // "sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid ..."
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 8)
            continue;
        if (fields.at(1).toUpper() != local || fields.at(2).toUpper() != remote)
            continue;
        // Only a live connection counts: a closed one lingers with no owner (printed as 0).
        if (fields.at(3) != "01")
            continue;
        bool ok = false;
        const uint owner = fields.at(7).toUInt(&ok);
        if (!ok)
            continue;
        if (uid)
            *uid = owner;
        return true;
    }
    return false;
}

bool SocketOwner::uid(const QHostAddress &address, quint16 port, const QHostAddress &peerAddress,
                      quint16 peerPort, uint *uid)
{
    static const struct
    {
        const char *path;
        bool ipv6;
    } tables[] = {{"/proc/net/tcp", false}, {"/proc/net/tcp6", true}};

    for (const auto &table : tables) {
        const QByteArray wanted = tableEndpoint(address, port, table.ipv6);
        if (wanted.isEmpty())
            continue;
        QFile file(QString::fromLatin1(table.path));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (;;) {
            const QByteArray line = file.readLine(maxLineLength);
            if (line.isEmpty())
                break;
            if (!line.contains(wanted))
                continue;
            if (uidInTable(line, table.ipv6, address, port, peerAddress, peerPort, uid))
                return true;
        }
    }
    return false;
}
