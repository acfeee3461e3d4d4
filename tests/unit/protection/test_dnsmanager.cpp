#include "dnsmanager.h"

#include <QtTest>

namespace {
QStringList servicesText(const QVector<DnsManager::Service> &services)
{
    QStringList texts;
    for (const DnsManager::Service &service : services)
        texts << service.deviceName + QLatin1Char('|') + service.serviceName;
    return texts;
}

const char *const listingHeader = "An asterisk (*) denotes that a network service is disabled.\n";
} // namespace

// The parsers on canned outputs, and discovery through a scripted stand-in
// for the network-setup program.
class TestDnsManager : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A network-setup stand-in answering from files of the temporary folder.
    QString writeFakeProgram()
    {
        const QString path = m_dir.filePath(QStringLiteral("fake-netsetup"));
        QFile script(path);
        if (!script.open(QIODevice::WriteOnly))
            return QString();
        script.write("#!/bin/sh\n"
                     "dir=$(dirname \"$0\")\n"
                     "case \"$1\" in\n"
                     "-listnetworkserviceorder) cat \"$dir/listing\" ;;\n"
                     "-getdnsservers) cat \"$dir/dns-$2\" 2>/dev/null"
                     " || echo \"There aren't any DNS Servers set on $2.\" ;;\n"
                     "esac\n");
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        return path;
    }
    void writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private slots:
    void servicesFromListing_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QStringList>("services");
        QTest::newRow("empty output") << QString() << QStringList();
        QTest::newRow("one enabled, one disabled") << QString(listingHeader)
                + "(1) Wi-Fi\n(Hardware Port: Wi-Fi, Device: en0)\n\n"
                  "(*) Ethernet\n(Hardware Port: Ethernet, Device: en1)\n\n"
                                                   << QStringList {"en0|Wi-Fi"};
        QTest::newRow("disabled service's port line after a blank line") << QString(listingHeader)
                + "(*) Ethernet\n\n(Hardware Port: Ethernet, Device: en1)\n"
                  "(2) Wi-Fi\n(Hardware Port: Wi-Fi, Device: en0)\n" << QStringList {"en0|Wi-Fi"};
        QTest::newRow("service line without blank clears the name")
            << QString(listingHeader) + "(1) Wi-Fi\n(2)\n(Hardware Port: Ethernet, Device: en1)\n"
            << QStringList {"en1|"};
        QTest::newRow("tethering services") << QString(listingHeader)
                + "(1) Bluetooth PAN\n(Hardware Port: Bluetooth PAN, Device: en6)\n"
                  "(2) iPhone USB\n(Hardware Port: iPhone USB, Device: en7)\n"
                  "(3) USB 10/100 LAN\n(Hardware Port: USB 10/100 LAN, Device: en8)\n"
                  "(4) Ethernet\n(Hardware Port: Ethernet, Device: en1)\n"
                                            << QStringList {"en1|Ethernet"};
        QTest::newRow("skip words are case-sensitive")
            << "(1) usb0\n(Hardware Port: Ethernet, Device: usb0)\n"
            << QStringList {"usb0|usb0"};
        QTest::newRow("port line without device")
            << "(1) VPN\n(Hardware Port: PPTP)\n(2) Thunderbolt Bridge\n"
               "(Hardware Port: Thunderbolt Bridge, Device: )\n"
            << QStringList();
        QTest::newRow("white space simplified, missing closing parenthesis")
            << "  (1)   Home   Wi-Fi  \n\t(Hardware Port: Wi-Fi,  Device: en0\n"
            << QStringList {"en0|Home Wi-Fi"};
        QTest::newRow("service names with blanks and parentheses")
            << "(1) My (Work) LAN\n(Hardware Port: Ethernet, Device: en0)\n"
            << QStringList {"en0|My (Work) LAN"};
    }
    void servicesFromListing()
    {
        QFETCH(QString, listing);
        QFETCH(QStringList, services);
        QCOMPARE(servicesText(DnsManager::servicesFromListing(listing)), services);
    }

    void dnsServersFromOutput_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("ipv4");
        QTest::addColumn<QStringList>("ipv6");
        QTest::newRow("none set") << "There aren't any DNS Servers set on Wi-Fi.\n"
                                  << QStringList() << QStringList();
        QTest::newRow("addresses and a host name")
            << "192.168.1.1\nresolver.example.com\n2001:db8::53\n\n"
            << QStringList {"192.168.1.1"} << QStringList {"2001:db8::53"};
        QTest::newRow("reading stops at the none-set line")
            << "8.8.8.8\nThere aren't any DNS Servers set on X.\n9.9.9.9\n"
            << QStringList {"8.8.8.8"} << QStringList();
        QTest::newRow("white space around") << "  1.1.1.1 \r\n" << QStringList {"1.1.1.1"} << QStringList();
        QTest::newRow("error text") << "** Error: The parameters were not valid.\n"
                                    << QStringList() << QStringList();
    }
    void dnsServersFromOutput()
    {
        QFETCH(QString, output);
        QFETCH(QStringList, ipv4);
        QFETCH(QStringList, ipv6);
        DnsSettings v4;
        DnsSettings v6;
        DnsManager::dnsServersFromOutput(output, &v4, &v6);
        QCOMPARE(v4.dnsList(), ipv4);
        QCOMPARE(v6.dnsList(), ipv6);
    }

    void discoveryAndArguments()
    {
        QVERIFY(m_dir.isValid());
        writeFile("listing",
                  QByteArray(listingHeader)
                      + "(1) Wi-Fi\n(Hardware Port: Wi-Fi, Device: en0)\n\n"
                        "(2) Ethernet\n(Hardware Port: Ethernet, Device: en1)\n\n"
                        "(3) tun0\n(Hardware Port: TUN, Device: tun0)\n");
        writeFile("dns-Wi-Fi", "192.168.1.1\nrouter.lan\n2001:db8::53\n");
        writeFile("dns-tun0", "172.16.0.1\n");
        DnsManager manager;
        manager.setNetworkSetupProgram(writeFakeProgram());

        QTest::ignoreMessage(QtInfoMsg,
                             "DnsManager: ID: en0, name: 'Wi-Fi', VPN connection: 'false', "
                             "IPv4 DNS: (192.168.1.1), IPv6 DNS: (2001:db8::53)");
        QTest::ignoreMessage(
            QtInfoMsg,
            "DnsManager: ID: en1, name: 'Ethernet', VPN connection: 'false', IPv4 DNS: (), IPv6 DNS: ()");
        QTest::ignoreMessage(QtInfoMsg,
                             "DnsManager: ID: tun0, name: 'tun0', VPN connection: 'true', "
                             "IPv4 DNS: (172.16.0.1), IPv6 DNS: ()");
        manager.initializeUserDns();
        QCOMPARE(manager.argsForUserConnection(),
                 (QStringList {"en0@192.168.1.1,2001:db8::53", "en1@", "tun0@172.16.0.1"}));
        QCOMPARE(manager.argsForVpnConnection("172.16.0.1", QString()),
                 (QStringList {"en0@172.16.0.1,", "en1@172.16.0.1,", "tun0@172.16.0.1,"}));
        QCOMPARE(manager.argsForVpnConnection("172.16.0.1", "fd00:dead:beef:cafe::1").first(),
                 QStringLiteral("en0@172.16.0.1,fd00:dead:beef:cafe::1"));

        // Only the tunnel's own adapter lists the VPN's server: nothing left behind.
        QVERIFY(!manager.dnsEntriesWithVpnAddresses());
        writeFile("dns-Ethernet", "fd00:dead:beef:cafe::1\n");
        QVERIFY(manager.dnsEntriesWithVpnAddresses());

        // The setter takes over the user servers of matching devices only.
        manager.setNetworkConnectionList(
            {NetworkConnection("en1", "x", DnsSettings(QStringLiteral("9.9.9.9")), DnsSettings()),
             NetworkConnection("en9", "y", DnsSettings(QStringLiteral("1.1.1.1")), DnsSettings())});
        QCOMPARE(manager.argsForUserConnection().at(1), QStringLiteral("en1@9.9.9.9"));
        QCOMPARE(manager.networkConnectionList().size(), 3);
    }

    void missingProgram()
    {
        DnsManager manager;
        manager.setNetworkSetupProgram(m_dir.filePath(QStringLiteral("no-such-program")));
        QVERIFY(!manager.dnsEntriesWithVpnAddresses());
        QVERIFY(manager.argsForUserConnection().isEmpty());
        QVERIFY(manager.argsForVpnConnection("172.16.0.1", QString()).isEmpty());
    }

    void programPaths()
    {
        QCOMPARE(DnsManager::defaultNetworkSetupProgram(),
                 QCoreApplication::applicationDirPath() + "/netsetup");
        QCOMPARE(DnsManager::dnsFileNamePath(), QCoreApplication::applicationDirPath() + "/dns");
    }
};

QTEST_GUILESS_MAIN(TestDnsManager)
#include "test_dnsmanager.moc"
