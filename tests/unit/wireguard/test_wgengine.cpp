#include "controlchannel.h"
#include "ringlog.h"
#include "wgconfig.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <unistd.h>

namespace {
const QByteArray key = "YJtGcgwNBgv4ZVBmdOWwVuVo7z1wG4H1nO8zZbN1h2M=";
const QByteArray peer = "Q2xpZW50UGVlcktleUZvclRlc3RzT25seTAwMDAwMDA=";

QByteArray config(const QByteArray &interfaceExtra = {}, const QByteArray &peerExtra = {})
{
    return "[Interface]\nPrivateKey = " + key + "\nAddress = 10.66.0.2/32\nDNS = 172.16.0.1\n"
        + interfaceExtra + "\n[Peer]\nPublicKey = " + peer
        + "\nAllowedIPs = 0.0.0.0/0, ::/0\nEndpoint = 192.0.2.10:55888\n" + peerExtra;
}
} // namespace

class TestWgEngine : public QObject
{
    Q_OBJECT

private slots:
    void parsesTheClientsConfiguration();
    void refusesBadConfigurations_data();
    void refusesBadConfigurations();
    void ringLogRecords();
    void ringLogWrapsAround();
    void controlPortOfTheServedUserOnly();
    void sizeTexts_data();
    void sizeTexts();
};

void TestWgEngine::parsesTheClientsConfiguration()
{
    WgConfig c;
    QString error;
    QVERIFY2(WgConfig::parse(config(), c, error), qPrintable(error));
    QCOMPARE(c.privateKey, QString::fromLatin1(key));
    QCOMPARE(c.address, QStringLiteral("10.66.0.2/32"));
    QCOMPARE(c.dns, QStringList {QStringLiteral("172.16.0.1")});
    QCOMPARE(c.peerPublicKey, QString::fromLatin1(peer));
    QCOMPARE(c.allowedIps, (QStringList {QStringLiteral("0.0.0.0/0"), QStringLiteral("::/0")}));
    QCOMPARE(c.endpoint(), QStringLiteral("192.0.2.10:55888"));
    QVERIFY(c.routesEverything4() && c.routesEverything6());

    QVERIFY(WgConfig::parse(config("", "Endpoint = [2001:db8::1]:51820\n"), c, error));
    QCOMPARE(c.endpoint(), QStringLiteral("[2001:db8::1]:51820"));
}

void TestWgEngine::refusesBadConfigurations_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no peer") << config().left(config().indexOf("[Peer]"));
    QTest::newRow("two peers") << config() + "[Peer]\nPublicKey = " + peer + "\n";
    QTest::newRow("short key") << config().replace(key, "abc=");
    QTest::newRow("empty dns server") << config().replace("DNS = 172.16.0.1", "DNS = 172.16.0.1, x");
    QTest::newRow("host name endpoint") << config().replace("192.0.2.10", "vpn.example.test");
    QTest::newRow("port out of range") << config().replace(":55888", ":70000");
    QTest::newRow("address without prefix") << config().replace("10.66.0.2/32", "10.66.0.2");
    QTest::newRow("command hook") << config("PostUp = rm -rf /\n");
    QTest::newRow("line outside a section") << "PrivateKey = " + key + "\n" + config();
    QTest::newRow("option injection in allowed ips") << config().replace("::/0", "::/0 dev lo");
    QTest::newRow("huge") << config() + QByteArray(70000, '#');
}

void TestWgEngine::refusesBadConfigurations()
{
    QFETCH(QByteArray, text);
    WgConfig c;
    QString error;
    QVERIFY(!WgConfig::parse(text, c, error));
    QVERIFY(!error.isEmpty());
}

void TestWgEngine::ringLogRecords()
{
    QTemporaryDir dir;
    RingLog log(8);
    const QString path = dir.filePath(QStringLiteral("ring"));
    QVERIFY(log.open(path));
    log.write(Q_INT64_C(1700000000123456789), QStringLiteral("first"));
    log.write(Q_INT64_C(1700000001000000000), QString(600, QLatin1Char('x')));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), RingLog::headerSize + 2 * RingLog::recordSize);
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData()), RingLog::magic);
    QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 4), 2);
    QCOMPARE(qFromLittleEndian<qint64>(bytes.constData() + 8), Q_INT64_C(1700000000123456789));
    QCOMPARE(bytes.mid(16, 6), QByteArray("first\0", 6));
    // A long text fills the field completely, without a terminating NUL.
    QCOMPARE(bytes.mid(8 + RingLog::recordSize + 8, RingLog::textSize), QByteArray(RingLog::textSize, 'x'));
    // Multi-byte characters are never cut in half.
    const QByteArray record = RingLog::record(0, QString(300, QChar(0x00e9)));
    QCOMPARE(QString::fromUtf8(record.mid(8, RingLog::textSize).constData()), QString(256, QChar(0x00e9)));
}

void TestWgEngine::ringLogWrapsAround()
{
    QTemporaryDir dir;
    RingLog log(3);
    const QString path = dir.filePath(QStringLiteral("ring"));
    QVERIFY(log.open(path));
    for (int i = 0; i < 5; ++i)
        log.write(i, QStringLiteral("line %1").arg(i));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), RingLog::headerSize + 3 * RingLog::recordSize);
    QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 4), 3);
    // Slots 0 and 1 were overwritten by lines 3 and 4.
    QCOMPARE(qFromLittleEndian<qint64>(bytes.constData() + 8), Q_INT64_C(3));
    QCOMPARE(qFromLittleEndian<qint64>(bytes.constData() + 8 + RingLog::recordSize), Q_INT64_C(4));
    QCOMPARE(qFromLittleEndian<qint64>(bytes.constData() + 8 + 2 * RingLog::recordSize), Q_INT64_C(2));
}

void TestWgEngine::controlPortOfTheServedUserOnly()
{
    QTcpServer client;
    QVERIFY(client.listen(QHostAddress::LocalHost));
    QString error;
    {
        ControlChannel other;
        QVERIFY(!other.connectTo(client.serverPort(), ::geteuid() + 4242, 5000, &error));
        QVERIFY2(error.contains(QStringLiteral("is not a socket of user")), qPrintable(error));
    }
    ControlChannel channel;
    QVERIFY2(channel.connectTo(client.serverPort(), ::geteuid(), 5000, &error), qPrintable(error));
    // The client asks who the engine is before it trusts it.
    QVERIFY(client.waitForNewConnection(5000));
    QTcpSocket *accepted = client.nextPendingConnection();
    while (client.hasPendingConnections())
        accepted = client.nextPendingConnection();
    accepted->write("pid\n");
    QTRY_VERIFY(accepted->canReadLine());
    QCOMPARE(accepted->readLine(),
             "SUCCESS: pid=" + QByteArray::number(QCoreApplication::applicationPid()) + "\r\n");
}

void TestWgEngine::sizeTexts_data()
{
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << quint64(0) << "0 B";
    QTest::newRow("bytes") << quint64(1023) << "1023 B";
    QTest::newRow("KiB") << quint64(1536) << "1.50 KiB";
    QTest::newRow("MiB") << quint64(3145728) << "3.00 MiB";
    QTest::newRow("GiB") << quint64(5) * 1024 * 1024 * 1024 << "5.00 GiB";
    QTest::newRow("TiB") << quint64(2) * 1024 * 1024 * 1024 * 1024 << "2.00 TiB";
}

void TestWgEngine::sizeTexts()
{
    QFETCH(quint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(ControlChannel::sizeText(bytes), text);
}

QTEST_GUILESS_MAIN(TestWgEngine)
#include "test_wgengine.moc"
