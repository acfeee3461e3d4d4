#include "networkconnection.h"

#include <QtTest>

class TestNetworkConnection : public QObject
{
    Q_OBJECT

private slots:
    void dnsSettingsToString_data()
    {
        QTest::addColumn<QStringList>("ipv4");
        QTest::addColumn<QStringList>("ipv6");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << QStringList() << QStringList() << QString();
        QTest::newRow("IPv4 only") << QStringList {"1.1.1.1", "8.8.8.8"} << QStringList()
                                   << "1.1.1.1,8.8.8.8";
        QTest::newRow("IPv6 only") << QStringList() << QStringList {"2001:db8::1"} << "2001:db8::1";
        QTest::newRow("both") << QStringList {"1.1.1.1"} << QStringList {"2001:db8::1"}
                              << "1.1.1.1,2001:db8::1";
    }
    void dnsSettingsToString()
    {
        QFETCH(QStringList, ipv4);
        QFETCH(QStringList, ipv6);
        QFETCH(QString, text);
        const NetworkConnection connection("eth0", "eth0", DnsSettings(ipv4), DnsSettings(ipv6));
        QCOMPARE(connection.dnsSettingsToString(), text);
    }

    void vpnConnection_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("vpn");
        QTest::newRow("ethernet") << "eth0" << false;
        QTest::newRow("wireless") << "wlp3s0" << false;
        QTest::newRow("OpenVPN") << "tun0" << true;
        QTest::newRow("WireGuard engine") << "vpnwg0" << true;
        QTest::newRow("the user's own WireGuard") << "wg0" << false;
    }
    void vpnConnection()
    {
        QFETCH(QString, device);
        QFETCH(bool, vpn);
        QCOMPARE(NetworkConnection(device, device, DnsSettings(), DnsSettings()).vpnConnection(), vpn);
    }
};

QTEST_APPLESS_MAIN(TestNetworkConnection)
#include "test_networkconnection.moc"
