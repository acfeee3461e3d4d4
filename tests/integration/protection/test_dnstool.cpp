#include "testnamespace.h"

#include <QtTest>

#include <memory>

namespace {
const QByteArray userResolvConf = "# the user's own\nsearch corp.example\nnameserver 192.0.2.53\n"
                                  "options ndots:2\nnameserver 2001:db8::53";
} // namespace

// The real dns tool inside throwaway namespaces: switching, restoring byte
// for byte, the Stealth host route, recovery after a crash, and bad input.
class TestDnsTool : public QObject
{
    Q_OBJECT

private:
    // Owned here, so they are removed even when a test step fails midway.
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestNamespace> m_ns;

    QString dataFile() const { return m_dir->filePath("log/dns.dat"); }
    SystemCommand::Result dns(const QStringList &arguments) const
    {
        return m_ns->exec(QStringList {TestNamespace::tool("dns")} + arguments,
                          {"VPN_DNS_DATA_FILE=" + dataFile()});
    }
    QString routes() const { return QString::fromUtf8(m_ns->exec({"ip", "-4", "route", "show"}).output); }

private slots:
    void initTestCase()
    {
        if (!TestNamespace::isRoot())
            QSKIP("needs root for network namespaces");
    }
    void init()
    {
        // Qt Test skips cleanup() after a failed init(): remove what is left first.
        cleanup();
        m_dir = std::make_unique<QTemporaryDir>();
        m_ns = std::make_unique<TestNamespace>("dns", userResolvConf);
        QVERIFY(m_ns->isValid());
        // The user's network: a default route via a gateway.
        QVERIFY(m_ns->ip("link add pa type veth peer name pb"));
        QVERIFY(m_ns->ip("addr add 192.168.77.2/24 dev pa"));
        QVERIFY(m_ns->ip("link set pa up"));
        QVERIFY(m_ns->ip("link set pb up"));
        QVERIFY(m_ns->ip("route add default via 192.168.77.1"));
    }
    void cleanup()
    {
        m_ns.reset();
        m_dir.reset();
    }

    void vpnThenUserRestoresBytes()
    {
        SystemCommand::Result result = dns({"vpn", "pa@172.16.0.1,fd00:dead:beef:cafe::1", "pb@172.16.0.1,"});
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        const QByteArray vpn = m_ns->resolvConf();
        QVERIFY(vpn.contains("nameserver 172.16.0.1\nnameserver fd00:dead:beef:cafe::1\n"));
        QVERIFY(!vpn.contains("192.0.2.53"));
        QVERIFY(QFile::exists(dataFile()));

        result = dns({"user", "pa@192.0.2.53,2001:db8::53", "pb@192.0.2.53,2001:db8::53"});
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QCOMPARE(m_ns->resolvConf(), userResolvConf);
        QVERIFY(!QFile::exists(dataFile()));
    }

    void stealthRoute()
    {
        SystemCommand::Result result = dns({"vpn", "pa@172.16.0.1,", "stealth:203.0.113.9"});
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QVERIFY2(routes().contains("203.0.113.9 via 192.168.77.1 dev pa proto 241"), qPrintable(routes()));
        // A repeated switch for a different server moves the route.
        result = dns({"vpn", "pa@172.16.0.1,", "stealth:203.0.113.10"});
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QVERIFY(!routes().contains("203.0.113.9 "));
        QVERIFY(routes().contains("203.0.113.10 via 192.168.77.1"));

        result = dns({"user", "pa@192.0.2.53,2001:db8::53"});
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QVERIFY2(!routes().contains("203.0.113."), qPrintable(routes()));
        QCOMPARE(m_ns->resolvConf(), userResolvConf);
    }

    // A route for the server that someone else (OpenVPN's pushed routes)
    // made is used as it is and left in place.
    void foreignRouteKept()
    {
        QVERIFY(m_ns->ip("route add 203.0.113.9/32 via 192.168.77.1 dev pa"));
        SystemCommand::Result result = dns({"vpn", "pa@172.16.0.1,", "stealth:203.0.113.9"});
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        result = dns({"reset"});
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QVERIFY(routes().contains("203.0.113.9 via 192.168.77.1 dev pa \n"));
    }

    // The client (or the tool's caller) died while the VPN's servers were in
    // place: "reset" at the next start gives the user's configuration back.
    void resetAfterCrash()
    {
        SystemCommand::Result result = dns({"vpn", "pa@172.16.0.1,", "stealth:203.0.113.9"});
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QVERIFY(m_ns->resolvConf() != userResolvConf);

        result = dns({"reset"});
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QCOMPARE(m_ns->resolvConf(), userResolvConf);
        QVERIFY(!routes().contains("203.0.113.9"));
        QVERIFY(!QFile::exists(dataFile()));

        // Nothing left to do: a second reset changes nothing.
        result = dns({"reset"});
        QVERIFY(result.succeeded());
        QCOMPARE(m_ns->resolvConf(), userResolvConf);
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no verb") << QStringList();
        QTest::newRow("unknown verb") << QStringList {"restore"};
        QTest::newRow("vpn without entries") << QStringList {"vpn"};
        QTest::newRow("vpn without addresses") << QStringList {"vpn", "pa@,"};
        QTest::newRow("malformed address") << QStringList {"vpn", "pa@172.16.0"};
        QTest::newRow("injected line") << QStringList {"vpn", "pa@172.16.0.1\nnameserver 6.6.6.6"};
        QTest::newRow("malformed Stealth server")
            << QStringList {"vpn", "pa@172.16.0.1,", "stealth:203.0.113"};
        QTest::newRow("reset with arguments") << QStringList {"reset", "pa@"};
    }
    void badInputChangesNothing()
    {
        QFETCH(QStringList, arguments);
        const QString routesBefore = routes();
        const SystemCommand::Result result = dns(arguments);
        QVERIFY(result.ran);
        QVERIFY(result.exitCode != 0);
        QVERIFY(result.errors.startsWith("dns: "));
        QCOMPARE(m_ns->resolvConf(), userResolvConf);
        QVERIFY(!QFile::exists(dataFile()));
        QCOMPARE(routes(), routesBefore);
    }
};

QTEST_GUILESS_MAIN(TestDnsTool)
#include "test_dnstool.moc"
