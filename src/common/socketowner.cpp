#include "socketowner.h"

#include <QFile>
#include <QList>

#include <cstring>
#include <functional>

namespace {
// The tables list every socket of the namespace; a busy machine has
// thousands, so the files are read line by line without holding them whole.
constexpr qint64 maxLineLength = 512;

const QByteArray established = "01";
const QByteArray listening = "0A";

struct Table
{
    const char *path;
    bool ipv6;
};
const Table tables[] = {{"/proc/net/tcp", false}, {"/proc/net/tcp6", true}};

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

// One row of a table: "sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid ...".
struct Row
{
    QByteArray local;
    QByteArray remote;
    QByteArray state;
    uint uid = 0;
};

bool parseRow(const QByteArray &line, Row *row)
{
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 8)
        return false;
    bool ok = false;
    row->uid = fields.at(7).toUInt(&ok);
    row->local = fields.at(1).toUpper();
    row->remote = fields.at(2).toUpper();
    row->state = fields.at(3).toUpper();
    return ok;
}

// Calls visit for every row of the table text; stops when it returns false.
void forEachRow(const QByteArray &table, const std::function<bool(const Row &)> &visit)
{
    for (const QByteArray &line : table.split('\n')) {
        Row row;
        if (parseRow(line, &row) && !visit(row))
            return;
    }
}

// The same for the live table, reading only lines that contain the filter.
void forEachLiveRow(const Table &table, const QByteArray &filter,
                    const std::function<bool(const Row &)> &visit)
{
    QFile file(QString::fromLatin1(table.path));
    if (!file.open(QIODevice::ReadOnly))
        return;
    for (;;) {
        const QByteArray line = file.readLine(maxLineLength);
        if (line.isEmpty())
            return;
        Row row;
        if (line.toUpper().contains(filter) && parseRow(line, &row) && !visit(row))
            return;
    }
}

// A visitor that takes the owner of the ESTABLISHED row from local to remote.
std::function<bool(const Row &)> establishedOwner(const QByteArray &local, const QByteArray &remote,
                                                  bool *found, uint *uid)
{
    return [=](const Row &row) {
        if (row.local != local || row.remote != remote || row.state != established)
            return true;
        *found = true;
        if (uid)
            *uid = row.uid;
        return false;
    };
}

// Local endpoints of listening sockets that take connections to 127.0.0.1:port.
QList<QByteArray> loopbackListenerEndpoints(bool ipv6Table, quint16 port)
{
    QList<QByteArray> endpoints;
    for (const QHostAddress &address :
         {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::AnyIPv4)})
        endpoints << SocketOwner::tableEndpoint(address, port, ipv6Table);
    if (ipv6Table)
        endpoints << SocketOwner::tableEndpoint(QHostAddress(QHostAddress::AnyIPv6), port, true);
    return endpoints;
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
    bool found = false;
    forEachRow(table, establishedOwner(local, remote, &found, uid));
    return found;
}

bool SocketOwner::uid(const QHostAddress &address, quint16 port, const QHostAddress &peerAddress,
                      quint16 peerPort, uint *uid)
{
    for (const Table &table : tables) {
        const QByteArray local = tableEndpoint(address, port, table.ipv6);
        const QByteArray remote = tableEndpoint(peerAddress, peerPort, table.ipv6);
        if (local.isEmpty() || remote.isEmpty())
            continue;
        bool found = false;
        forEachLiveRow(table, local, establishedOwner(local, remote, &found, uid));
        if (found)
            return true;
    }
    return false;
}

QList<uint> SocketOwner::loopbackListenerUidsInTable(const QByteArray &table, bool ipv6Table, quint16 port)
{
    const QList<QByteArray> endpoints = loopbackListenerEndpoints(ipv6Table, port);
    QList<uint> uids;
    forEachRow(table, [&](const Row &row) {
        if (row.state == listening && endpoints.contains(row.local))
            uids << row.uid;
        return true;
    });
    return uids;
}

QList<uint> SocketOwner::loopbackListenerUids(quint16 port)
{
    QList<uint> uids;
    for (const Table &table : tables) {
        const QList<QByteArray> endpoints = loopbackListenerEndpoints(table.ipv6, port);
        const QByteArray portText = ':' + QByteArray::number(port, 16).rightJustified(4, '0').toUpper();
        forEachLiveRow(table, portText, [&](const Row &row) {
            if (row.state == listening && endpoints.contains(row.local))
                uids << row.uid;
            return true;
        });
    }
    return uids;
}
