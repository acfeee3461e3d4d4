#include "dnsmanager.h"
#include "networksetup.h"
#include "sysfsfixture.h"

#include <QtTest>

// The tool's outputs, read back with the client's own parsers.
class TestNetworkSetup : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_sys;
    QString m_resolvConf;
    QString m_resolvedConf;

    int run(const QStringList &arguments, QByteArray *output, QByteArray *errors = nullptr)
    {
        QByteArray ignored;
        const NetworkSetup setup(NetworkServices(m_sys), m_resolvConf, m_resolvedConf);
        return setup.run(arguments, output, errors ? errors : &ignored);
    }
    void writeResolvConf(const QString &path, const QByteArray &text)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    QByteArray resolvConf()
    {
        QFile file(m_resolvConf);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_sys = m_dir.filePath("net");
        m_resolvConf = m_dir.filePath("resolv.conf");
        m_resolvedConf = m_dir.filePath("resolved.conf");
        QVERIFY(addSysfsInterface(m_sys, "lo", 1, 772, "0x9"));
        QVERIFY(addSysfsInterface(m_sys, "eth0", 2, 1, "0x1003", {{"address", "aa:bb:cc:dd:ee:01\n"}}));
        QVERIFY(addSysfsInterface(m_sys, "eth1", 3, 1, "0x1002", {{"address", "aa:bb:cc:dd:ee:02\n"}}));
        QVERIFY(addSysfsInterface(m_sys, "bnep0", 4, 1, "0x1003", {{"uevent", "DEVTYPE=bluetooth\n"}}));
        QVERIFY(addSysfsInterface(m_sys, "tun0", 5, 65534, "0x10d1", {{"tun_flags", "0x1001\n"}}));
    }
    void init()
    {
        writeResolvConf(m_resolvConf, "search lan\nnameserver 192.168.1.1\nnameserver 2001:db8::53\n");
    }

    void serviceOrder()
    {
        QByteArray output;
        QCOMPARE(run({"-listnetworkserviceorder"}, &output), 0);
        QCOMPARE(output,
                 QByteArray("An asterisk (*) denotes that a network service is disabled.\n"
                            "(1) eth0\n(Hardware Port: Ethernet, Device: eth0)\n\n"
                            "(*) eth1\n(Hardware Port: Ethernet, Device: eth1)\n\n"
                            "(2) bnep0\n(Hardware Port: Bluetooth PAN, Device: bnep0)\n\n"
                            "(3) tun0\n(Hardware Port: TUN, Device: tun0)\n\n"));
        const QVector<DnsManager::Service> services
            = DnsManager::servicesFromListing(QString::fromUtf8(output));
        QCOMPARE(services.size(), 2);
        QCOMPARE(services.at(0).deviceName, QStringLiteral("eth0"));
        QCOMPARE(services.at(0).serviceName, QStringLiteral("eth0"));
        QCOMPARE(services.at(1).deviceName, QStringLiteral("tun0"));
    }

    void dnsServers_data()
    {
        QTest::addColumn<QByteArray>("resolvConf");
        QTest::addColumn<QByteArray>("resolvedConf");
        QTest::addColumn<QStringList>("ipv4");
        QTest::addColumn<QStringList>("ipv6");
        QTest::newRow("resolver configuration")
            << QByteArray("search lan\nnameserver 192.168.1.1\nnameserver 2001:db8::53\n") << QByteArray()
            << QStringList {"192.168.1.1"} << QStringList {"2001:db8::53"};
        QTest::newRow("none set") << QByteArray("options edns0\n") << QByteArray() << QStringList()
                                  << QStringList();
        QTest::newRow("systemd-resolved stub")
            << QByteArray("nameserver 127.0.0.53\noptions edns0 trust-ad\n")
            << QByteArray("nameserver 10.0.0.1\nnameserver fd00::1\n") << QStringList {"10.0.0.1"}
            << QStringList {"fd00::1"};
        QTest::newRow("stub without systemd-resolved")
            << QByteArray("nameserver 127.0.0.53\n") << QByteArray() << QStringList {"127.0.0.53"}
            << QStringList();
    }
    void dnsServers()
    {
        QFETCH(QByteArray, resolvConf);
        QFETCH(QByteArray, resolvedConf);
        QFETCH(QStringList, ipv4);
        QFETCH(QStringList, ipv6);
        writeResolvConf(m_resolvConf, resolvConf);
        QFile::remove(m_resolvedConf);
        if (!resolvedConf.isEmpty())
            writeResolvConf(m_resolvedConf, resolvedConf);
        QByteArray output;
        QCOMPARE(run({"-getdnsservers", "eth0"}, &output), 0);
        DnsSettings v4;
        DnsSettings v6;
        DnsManager::dnsServersFromOutput(QString::fromUtf8(output), &v4, &v6);
        QCOMPARE(v4.dnsList(), ipv4);
        QCOMPARE(v6.dnsList(), ipv6);
        if (ipv4.isEmpty() && ipv6.isEmpty())
            QCOMPARE(output, QByteArray("There aren't any DNS Servers set on eth0.\n"));
        QFile::remove(m_resolvedConf);
    }

    void setDnsServers()
    {
        QByteArray output;
        QByteArray errors;
        QCOMPARE(run({"-setdnsservers", "eth0", "9.9.9.9", "2620:fe::fe"}, &output, &errors), 0);
        QCOMPARE(resolvConf(), QByteArray("search lan\nnameserver 9.9.9.9\nnameserver 2620:fe::fe\n"));
        QCOMPARE(run({"-setdnsservers", "eth0", "Empty"}, &output, &errors), 0);
        QCOMPARE(resolvConf(), QByteArray("search lan\n"));
        QCOMPARE(run({"-getdnsservers", "eth0"}, &output), 0);
        QVERIFY(output.startsWith("There aren't any DNS Servers set on eth0."));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::newRow("nothing") << QStringList() << 1;
        QTest::newRow("unknown option") << QStringList {"-setairportpower", "en0", "on"} << 1;
        QTest::newRow("missing service") << QStringList {"-getdnsservers"} << 1;
        QTest::newRow("extra argument") << QStringList {"-listnetworkserviceorder", "x"} << 1;
        QTest::newRow("unknown service") << QStringList {"-getdnsservers", "wlan9"} << 4;
        QTest::newRow("loopback is no service") << QStringList {"-setdnsservers", "lo", "1.1.1.1"} << 4;
        QTest::newRow("malformed address") << QStringList {"-setdnsservers", "eth0", "1.1.1"} << 4;
        QTest::newRow("line end in address")
            << QStringList {"-setdnsservers", "eth0", "1.1.1.1\nsearch x"} << 4;
        QTest::newRow("Empty among addresses")
            << QStringList {"-setdnsservers", "eth0", "1.1.1.1", "Empty"} << 4;
        QTest::newRow("no addresses") << QStringList {"-setdnsservers", "eth0"} << 1;
    }
    void badInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        const QByteArray before = resolvConf();
        QByteArray output;
        QByteArray errors;
        QCOMPARE(run(arguments, &output, &errors), code);
        QVERIFY(output.isEmpty());
        QVERIFY(!errors.isEmpty());
        QCOMPARE(resolvConf(), before);
    }

    void missingResolvConf()
    {
        QFile::remove(m_resolvConf);
        QByteArray output;
        QByteArray errors;
        QCOMPARE(run({"-getdnsservers", "eth0"}, &output, &errors), 2);
        QVERIFY(output.isEmpty());
        QVERIFY(errors.contains("resolv.conf"));
    }

    void hardwarePorts()
    {
        QByteArray output;
        QCOMPARE(run({"-listallhardwareports"}, &output), 0);
        QCOMPARE(output,
                 QByteArray("\nHardware Port: Ethernet\nDevice: eth0\nEthernet Address: aa:bb:cc:dd:ee:01\n"
                            "\nHardware Port: Ethernet\nDevice: eth1\nEthernet Address: aa:bb:cc:dd:ee:02\n"
                            "\nHardware Port: Bluetooth PAN\nDevice: bnep0\nEthernet Address: N/A\n"
                            "\nHardware Port: TUN\nDevice: tun0\nEthernet Address: N/A\n"
                            "\nVLAN Configurations\n===================\n"));
    }
};

QTEST_GUILESS_MAIN(TestNetworkSetup)
#include "test_networksetup.moc"
