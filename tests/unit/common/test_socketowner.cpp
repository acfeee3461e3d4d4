#include "socketowner.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <unistd.h>

class TestSocketOwner : public QObject
{
    Q_OBJECT

private slots:
    void tableEndpoint_data();
    void tableEndpoint();
    void uidInTable_data();
    void uidInTable();
    void ownSocket();
};

void TestSocketOwner::tableEndpoint_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<quint16>("port");
    QTest::addColumn<bool>("ipv6Table");
    QTest::addColumn<QByteArray>("endpoint");
    if (QSysInfo::ByteOrder != QSysInfo::LittleEndian)
        QSKIP("fixtures are those of a little-endian machine");
    QTest::newRow("loopback") << "127.0.0.1" << quint16(61973) << false << QByteArray("0100007F:F215");
    QTest::newRow("lab address") << "10.99.0.2" << quint16(443) << false << QByteArray("0200630A:01BB");
    QTest::newRow("mapped in tcp6") << "127.0.0.1" << quint16(61973) << true
                                    << QByteArray("0000000000000000FFFF00000100007F:F215");
    QTest::newRow("ipv6 loopback") << "::1" << quint16(1) << true
                                   << QByteArray("00000000000000000000000001000000:0001");
    QTest::newRow("ipv6 not in tcp") << "::1" << quint16(1) << false << QByteArray();
}

void TestSocketOwner::tableEndpoint()
{
    QFETCH(QString, address);
    QFETCH(quint16, port);
    QFETCH(bool, ipv6Table);
    QFETCH(QByteArray, endpoint);
    QCOMPARE(SocketOwner::tableEndpoint(QHostAddress(address), port, ipv6Table), endpoint);
}

void TestSocketOwner::uidInTable_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<bool>("found");
    QTest::addColumn<uint>("uid");
    if (QSysInfo::ByteOrder != QSysInfo::LittleEndian)
        QSKIP("fixtures are those of a little-endian machine");
    const QByteArray header
        = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
          "timeout inode\n";
    const QByteArray listening
        = "   0: 0100007F:F215 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000  "
          "      0 11111 1 0000000000000000 100 0 0 10 0\n";
    const QByteArray server
        = "   1: 0100007F:F215 0100007F:A1B2 01 00000000:00000000 00:00000000 00000000  1000  "
          "      0 22222 1 0000000000000000 20 4 30 10 -1\n";
    const QByteArray peer
        = "   2: 0100007F:A1B2 0100007F:F215 01 00000000:00000000 00:00000000 00000000     0  "
          "      0 33333 1 0000000000000000 20 4 30 10 -1\n";
    const QByteArray closedPeer
        = "   2: 0100007F:A1B2 0100007F:F215 05 00000000:00000000 00:00000000 00000000     0  "
          "      0 0 1 0000000000000000 20 4 30 10 -1\n";
    QTest::newRow("peer of root") << header + listening + server + peer << true << 0u;
    QTest::newRow("peer of a user") << header + QByteArray(peer).replace("    0  ", " 1001  ") << true
                                    << 1001u;
    QTest::newRow("closed peer has no owner") << header + listening + server + closedPeer << false << 0u;
    QTest::newRow("server end only") << header + listening + server << false << 0u;
    QTest::newRow("empty table") << QByteArray() << false << 0u;
    QTest::newRow("garbage") << QByteArray("x\n\n 1: 2 3 4 5 6 7 8\n0100007F:A1B2") << false << 0u;
}

void TestSocketOwner::uidInTable()
{
    QFETCH(QByteArray, table);
    QFETCH(bool, found);
    QFETCH(uint, uid);
    uint owner = 4242;
    const QHostAddress loopback(QHostAddress::LocalHost);
    QCOMPARE(SocketOwner::uidInTable(table, false, loopback, 0xA1B2, loopback, 61973, &owner), found);
    if (found)
        QCOMPARE(owner, uid);
}

void TestSocketOwner::ownSocket()
{
    // A socket of this process belongs to this process's user.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(client.waitForConnected(5000));
    QVERIFY(server.waitForNewConnection(5000));
    QTcpSocket *accepted = server.nextPendingConnection();
    QVERIFY(accepted);

    uint owner = 4242;
    QVERIFY(SocketOwner::uid(client.localAddress(), client.localPort(), accepted->localAddress(),
                             accepted->localPort(), &owner));
    QCOMPARE(owner, uint(geteuid()));
    QVERIFY(!SocketOwner::uid(client.localAddress(), quint16(client.localPort() + 1),
                              accepted->localAddress(), accepted->localPort(), &owner));
}

QTEST_GUILESS_MAIN(TestSocketOwner)
#include "test_socketowner.moc"
