#include "peercredentials.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <unistd.h>

class TestPeerCredentials : public QObject
{
    Q_OBJECT

private slots:
    void table();
    void ownConnection();
};

void TestPeerCredentials::table()
{
    // Port 6457 is 0x1939, port 40000 is 0x9C40.
    const QByteArray table
        = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
          "   0: 0100007F:1939 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 1 1\n"
          "   1: 0100007F:1939 0100007F:9C40 01 00000000:00000000 00:00000000 00000000     0        0 2 1\n"
          "   2: 0100007F:9C40 0100007F:1939 01 00000000:00000000 00:00000000 00000000  1000        0 3 1\n"
          "   3: 0A00000F:9C40 0100007F:1939 01 00000000:00000000 00:00000000 00000000  2000        0 4 1\n";
    QCOMPARE(PeerCredentials::uidFromTable(table, 6457, 40000), qint64(1000));
    QCOMPARE(PeerCredentials::uidFromTable(table, 6457, 40001), qint64(-1));
    QCOMPARE(PeerCredentials::uidFromTable(QByteArray(), 6457, 40000), qint64(-1));
}

void TestPeerCredentials::ownConnection()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, server.serverPort());
    QVERIFY(client.waitForConnected(5000));
    QVERIFY(server.waitForNewConnection(5000));
    QCOMPARE(PeerCredentials::loopbackPeerUid(server.serverPort(), client.localPort()), qint64(::getuid()));
}

QTEST_GUILESS_MAIN(TestPeerCredentials)
#include "test_peercredentials.moc"
