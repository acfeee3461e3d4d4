#include "dnsmanager.h"
#include "testnamespace.h"

#include <QtTest>

// The real netsetup tool on a namespace's interfaces, read by the client's
// DnsManager, before and after the real dns tool switched the resolver.
class TestNetsetupTool : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A network-setup program for DnsManager that runs netsetup inside the namespace.
    QString wrapper(const TestNamespace &ns)
    {
        const QString path = m_dir.filePath(QStringLiteral("netsetup-in-") + ns.name());
        QFile script(path);
        if (!script.open(QIODevice::WriteOnly))
            return QString();
        script.write(QStringLiteral("#!/bin/sh\nexec ip netns exec %1 %2 \"$@\"\n")
                         .arg(ns.name(), TestNamespace::tool("netsetup"))
                         .toUtf8());
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        return path;
    }

private slots:
    void initTestCase()
    {
        if (!TestNamespace::isRoot())
            QSKIP("needs root for network namespaces");
        QVERIFY(m_dir.isValid());
    }

    void servicesAndServersThroughTheParser()
    {
        const QByteArray resolvConf = "search lab.example\nnameserver 192.0.2.53\nnameserver 2001:db8::53\n";
        TestNamespace ns("ns", resolvConf);
        QVERIFY(ns.isValid());
        QVERIFY(ns.ip("link add pa type veth peer name pb"));
        QVERIFY(ns.ip("link set pa up"));
        QVERIFY(ns.ip("tuntap add tun7 mode tun"));
        QVERIFY(ns.ip("link set tun7 up"));

        DnsManager manager;
        manager.setNetworkSetupProgram(wrapper(ns));
        QVERIFY(!manager.dnsEntriesWithVpnAddresses());
        const QVector<NetworkConnection> services = manager.networkConnectionList();
        // pb is down: a disabled service; loopback is none.
        QCOMPARE(services.size(), 2);
        QCOMPARE(services.at(0).connectionId(), QStringLiteral("pa"));
        QCOMPARE(services.at(0).connectionName(), QStringLiteral("pa"));
        QVERIFY(!services.at(0).vpnConnection());
        QCOMPARE(services.at(1).connectionId(), QStringLiteral("tun7"));
        QVERIFY(services.at(1).vpnConnection());
        QCOMPARE(manager.argsForUserConnection(),
                 (QStringList {"pa@192.0.2.53,2001:db8::53", "tun7@192.0.2.53,2001:db8::53"}));

        // The VPN's servers in place: what a crashed run leaves behind is seen.
        const QStringList environment = {"VPN_DNS_DATA_FILE=" + m_dir.filePath("dns.dat")};
        const QStringList vpnArguments
            = manager.argsForVpnConnection(DnsSettings::vpnDnsIPv4Predefined(), QString());
        SystemCommand::Result result
            = ns.exec(QStringList {TestNamespace::tool("dns"), "vpn"} + vpnArguments, environment);
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QVERIFY(manager.dnsEntriesWithVpnAddresses());

        result = ns.exec(QStringList {TestNamespace::tool("dns"), "reset"}, environment);
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QVERIFY(!manager.dnsEntriesWithVpnAddresses());
        QCOMPARE(ns.resolvConf(), resolvConf);
    }

    void hardwarePortsAndBadInput()
    {
        TestNamespace ns("hw");
        QVERIFY(ns.isValid());
        QVERIFY(ns.ip("link add pa type veth peer name pb"));
        SystemCommand::Result result = ns.exec({TestNamespace::tool("netsetup"), "-listallhardwareports"});
        QVERIFY(result.succeeded());
        QVERIFY(result.output.contains("\nHardware Port: Ethernet\nDevice: pa\nEthernet Address: "));
        QVERIFY(!result.output.contains("Device: lo"));

        result = ns.exec({TestNamespace::tool("netsetup"), "-getdnsservers", "wlan5"});
        QCOMPARE(result.exitCode, 4);
        QVERIFY(result.output.isEmpty());
        result = ns.exec({TestNamespace::tool("netsetup"), "-frobnicate"});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.errors.contains("Usage"));
    }
};

QTEST_GUILESS_MAIN(TestNetsetupTool)
#include "test_netsetuptool.moc"
