#include "pushreplymessage.h"

#include <QtTest>

class TestPushReplyMessage : public QObject
{
    Q_OBJECT

private slots:
    void dnsServerAddresses_data();
    void dnsServerAddresses();
    void items();
};

void TestPushReplyMessage::dnsServerAddresses_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("both");
    QTest::addColumn<QString>("ipv4");
    QTest::addColumn<QString>("ipv6");
    QTest::newRow("lab reply")
        << "compress lz4-v2,dhcp-option DNS 172.16.0.1,dhcp-option DNS fd00:dead:beef:cafe::1,"
           "tun-ipv6,route-gateway 172.16.0.1,topology subnet,ping 10,ping-restart 60"
        << true << "172.16.0.1"
        << "fd00:dead:beef:cafe::1";
    QTest::newRow("only IPv4") << "dhcp-option DNS 10.0.0.1,ping 10" << false << "10.0.0.1"
                               << "";
    QTest::newRow("only IPv6") << "dhcp-option DNS ::1" << false << ""
                               << "::1";
    QTest::newRow("later values win")
        << "dhcp-option DNS 10.0.0.1,dhcp-option DNS fd00::1,dhcp-option DNS 10.0.0.2" << true << "10.0.0.2"
        << "fd00::1";
    QTest::newRow("invalid values skipped")
        << "dhcp-option DNS nonsense,dhcp-option DNS 10.0.0.300,dhcp-option "
           "DNS 10.0.0.3,dhcp-option DNS fd00::9"
        << true << "10.0.0.3"
        << "fd00::9";
    QTest::newRow("key is case-sensitive")
        << "DHCP-OPTION DNS 10.0.0.1,dhcp-option dns fd00::1" << false << ""
        << "";
    QTest::newRow("blank before the key")
        << "dhcp-option DNS 10.0.0.1, dhcp-option DNS fd00::1" << false << "10.0.0.1"
        << "";
    QTest::newRow("empty") << "" << false << ""
                           << "";
}

void TestPushReplyMessage::dnsServerAddresses()
{
    QFETCH(QString, reply);
    QFETCH(bool, both);
    QFETCH(QString, ipv4);
    QFETCH(QString, ipv6);
    const PushReplyMessage message(reply);
    QString foundIpv4;
    QString foundIpv6;
    QCOMPARE(message.dnsServerAddresses(foundIpv4, foundIpv6), both);
    QCOMPARE(foundIpv4, ipv4);
    QCOMPARE(foundIpv6, ipv6);
}

void TestPushReplyMessage::items()
{
    const PushReplyMessage message(QStringLiteral(",a,,b c,"));
    QVERIFY(message.isValid());
    QCOMPARE(message.items(), QStringList({"a", "b c"}));
    QCOMPARE(message.dataByKey(QStringLiteral("b")), QStringList({"c"}));
    QCOMPARE(message.dataByKey(QString()), QStringList());
    QVERIFY(!PushReplyMessage(QStringLiteral(",,")).isValid());
}

QTEST_GUILESS_MAIN(TestPushReplyMessage)
#include "test_pushreplymessage.moc"
