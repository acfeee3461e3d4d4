#include "pingunix.h"

#include <QtTest>

class TestPingUnix : public QObject
{
    Q_OBJECT

private slots:
    void echoRequest_data();
    void echoRequest();
    void checksum_data();
    void checksum();
    void isEchoReply_data();
    void isEchoReply();
    void identifierCounterWraps();
    void isAcceptableHost_data();
    void isAcceptableHost();
};

void TestPingUnix::echoRequest_data()
{
    QTest::addColumn<int>("identifier");
    QTest::addColumn<QByteArray>("expected");

    // type 8, code 0, checksum, identifier, sequence 1, 20 zero bytes, then up
    // to four decimal digits of the identifier and a zero byte.
    QTest::newRow("first identifier") << 1
                                      << QByteArray("0800c6fd00010001"
                                                    "0000000000000000000000000000000000000000"
                                                    "3100000000");
    QTest::newRow("wrapped to zero") << 0
                                     << QByteArray("0800c7fe00000001"
                                                   "0000000000000000000000000000000000000000"
                                                   "3000000000");
    QTest::newRow("four digits") << 9999
                                 << QByteArray("08005e7d270f0001"
                                               "0000000000000000000000000000000000000000"
                                               "3939393900");
    QTest::newRow("five digits cut to four") << 12345
                                             << QByteArray("0800635f30390001"
                                                           "0000000000000000000000000000000000000000"
                                                           "3132333400");
    QTest::newRow("largest") << 65535
                             << QByteArray("08008c96ffff0001"
                                           "0000000000000000000000000000000000000000"
                                           "3635353300");
}

void TestPingUnix::echoRequest()
{
    QFETCH(int, identifier);
    QFETCH(QByteArray, expected);

    const QByteArray request = PingUnix::echoRequest(quint16(identifier));
    QCOMPARE(request.size(), PingUnix::requestSize);
    QCOMPARE(request.toHex(), expected);
    // A receiver summing the whole message, checksum included, gets zero.
    QCOMPARE(PingUnix::checksum(request), quint16(0));
}

void TestPingUnix::checksum_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("expected");

    QTest::newRow("empty") << QByteArray() << 0xffff;
    QTest::newRow("RFC 1071 example") << QByteArray::fromHex("0001f203f4f5f6f7") << 0x220d;
    QTest::newRow("odd length padded") << QByteArray::fromHex("01") << 0xfeff;
    QTest::newRow("carry folded") << QByteArray::fromHex("ffffffff01") << 0xfeff;
}

void TestPingUnix::checksum()
{
    QFETCH(QByteArray, data);
    QFETCH(int, expected);
    QCOMPARE(int(PingUnix::checksum(data)), expected);
}

static QByteArray ipv4Header(int words)
{
    QByteArray header(words * 4, '\0');
    header[0] = char(0x40 | words);
    header[9] = 1; // ICMP
    return header;
}

static QByteArray icmp(int type, quint16 identifier)
{
    QByteArray message = PingUnix::echoRequest(identifier);
    message[0] = char(type);
    return message;
}

void TestPingUnix::isEchoReply_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("withIpHeader");
    QTest::addColumn<bool>("expected");

    const quint16 own = 4242;
    QTest::newRow("raw reply") << ipv4Header(5) + icmp(0, own) << true << true;
    QTest::newRow("raw reply after header options") << ipv4Header(6) + icmp(0, own) << true << true;
    QTest::newRow("raw reply for another identifier") << ipv4Header(5) + icmp(0, own + 1) << true << false;
    // On loopback a raw socket also receives the request it sent.
    QTest::newRow("own request") << ipv4Header(5) + icmp(8, own) << true << false;
    QTest::newRow("unreachable") << ipv4Header(5) + icmp(3, own) << true << false;
    QTest::newRow("datagram socket reply") << icmp(0, own) << false << true;
    QTest::newRow("datagram socket, another identifier") << icmp(0, own - 1) << false << false;
    QTest::newRow("header taken for a reply") << ipv4Header(5) + icmp(0, own) << false << false;
    QTest::newRow("truncated") << ipv4Header(5) + icmp(0, own).left(5) << true << false;
    QTest::newRow("header length beyond the datagram") << ipv4Header(15) << true << false;
    QTest::newRow("empty") << QByteArray() << true << false;
}

void TestPingUnix::isEchoReply()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, withIpHeader);
    QFETCH(bool, expected);
    QCOMPARE(PingUnix::isEchoReply(datagram, 4242, withIpHeader), expected);
}

void TestPingUnix::identifierCounterWraps()
{
    quint16 previous = PingUnix::pingIdent();
    for (int i = 0; i <= 65536; ++i) {
        const quint16 next = PingUnix::pingIdent();
        QCOMPARE(next, quint16(previous + 1));
        if (previous == 65535) {
            QCOMPARE(next, quint16(0));
            QCOMPARE(PingUnix::pingIdent(), quint16(1));
            return;
        }
        previous = next;
    }
    QFAIL("the counter never reached 65535");
}

void TestPingUnix::isAcceptableHost_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");

    QTest::newRow("address") << "192.0.2.7" << true;
    QTest::newRow("name") << "de-fra-1.vpn.example" << true;
    QTest::newRow("fully qualified") << "vpn.example." << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("IPv6") << "::1" << false;
    QTest::newRow("IPv6 with zone") << "fe80::1%eth0" << false;
    QTest::newRow("blank inside") << "vpn example" << false;
    QTest::newRow("leading blank") << " 192.0.2.7" << false;
    QTest::newRow("empty label") << "vpn..example" << false;
    QTest::newRow("label of 64") << QString(64, QLatin1Char('a')) + ".example" << false;
    QTest::newRow("label of 63") << QString(63, QLatin1Char('a')) + ".example" << true;
    const QString labels = QString(50, QLatin1Char('a')).append(QLatin1Char('.')).repeated(4);
    QTest::newRow("253 characters") << labels + QString(49, QLatin1Char('a')) << true;
    QTest::newRow("254 characters") << labels + QString(50, QLatin1Char('a')) << false;
    QTest::newRow("URL") << "http://192.0.2.7/" << false;
}

void TestPingUnix::isAcceptableHost()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(PingUnix::isAcceptableHost(text), expected);
}

QTEST_GUILESS_MAIN(TestPingUnix)
#include "test_pingunix.moc"
