#include "testnamespace.h"

#include <QtTest>

#include <memory>

namespace {
// Addresses of the peer namespace, as seen from the protected one.
const QString server4 = QStringLiteral("198.51.100.10");
const QString other4 = QStringLiteral("203.0.113.20");
const QString local4 = QStringLiteral("10.77.0.2");
const QString server6 = QStringLiteral("2001:db8::10");
const QString other6 = QStringLiteral("2001:db8::20");
const QString local6 = QStringLiteral("fd77::2");
// Behind the stand-in tunnel interface "tun9".
const QString tunnel4 = QStringLiteral("100.64.9.2");
const QString tunnel6 = QStringLiteral("2001:db8:9::2");
const QStringList everyAddress = {server4, other4, local4, server6, other6, local6, tunnel4, tunnel6};
} // namespace

// The real killswitch tool in a protected namespace, probed with pings to a
// peer namespace that answers on several addresses of both families.
class TestKillSwitchTool : public QObject
{
    Q_OBJECT

private:
    // Owned here, so they are removed even when a test step fails midway.
    std::unique_ptr<TestNamespace> m_client;
    std::unique_ptr<TestNamespace> m_peer;

    SystemCommand::Result killswitch(const QStringList &arguments) const
    {
        return m_client->exec(QStringList {TestNamespace::tool("killswitch")} + arguments);
    }
    QStringList pingCommand(const QString &address) const
    {
        const QString family
            = address.contains(QLatin1Char(':')) ? QStringLiteral("-6") : QStringLiteral("-4");
        return {"netns", "exec", m_client->name(), "ping", family, "-n", "-c", "1", "-W", "1", address};
    }
    bool reachable(const QString &address) const
    {
        return SystemCommand::run("ip", pingCommand(address)).succeeded();
    }
    // Probes every address at once: a dropped probe costs its full timeout.
    QStringList reachableAddresses() const
    {
        std::vector<std::unique_ptr<QProcess>> probes;
        for (const QString &address : everyAddress) {
            probes.push_back(std::make_unique<QProcess>());
            probes.back()->start("ip", pingCommand(address));
        }
        QStringList reached;
        for (int i = 0; i < everyAddress.size(); ++i) {
            QProcess &probe = *probes.at(size_t(i));
            if (probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit
                && probe.exitCode() == 0)
                reached << everyAddress.at(i);
        }
        return reached;
    }
    QByteArray ruleset() const { return m_client->exec({"nft", "list", "ruleset"}).output; }

    // A veth pair from the client into the peer, with addresses on both ends.
    bool link(const QString &clientEnd, const QString &peerEnd, const QStringList &clientAddresses,
              const QStringList &peerAddresses)
    {
        if (!SystemCommand::run("ip",
                                {"link", "add", clientEnd, "netns", m_client->name(), "type", "veth", "peer",
                                 "name", peerEnd, "netns", m_peer->name()})
                 .succeeded())
            return false;
        for (const QString &address : clientAddresses) {
            if (!m_client->ip("addr add " + address + " dev " + clientEnd))
                return false;
        }
        for (const QString &address : peerAddresses) {
            if (!m_peer->ip("addr add " + address + " dev " + peerEnd))
                return false;
        }
        return m_client->ip("link set " + clientEnd + " up") && m_peer->ip("link set " + peerEnd + " up");
    }

private slots:
    void initTestCase()
    {
        if (!TestNamespace::isRoot())
            QSKIP("needs root for network namespaces");
        if (SystemCommand::findSystemProgram("nft").isEmpty())
            QSKIP("nft is not installed");
    }
    void init()
    {
        // Qt Test skips cleanup() after a failed init(): remove what is left first.
        cleanup();
        m_client = std::make_unique<TestNamespace>("ksc");
        m_peer = std::make_unique<TestNamespace>("ksp");
        QVERIFY(m_client->isValid() && m_peer->isValid());
        // No duplicate address detection: addresses are usable at once.
        for (const TestNamespace *ns : {m_client.get(), m_peer.get()}) {
            QVERIFY(ns->exec({"sysctl", "-q", "-w", "net.ipv6.conf.all.accept_dad=0"}).succeeded());
            QVERIFY(ns->exec({"sysctl", "-q", "-w", "net.ipv6.conf.default.accept_dad=0"}).succeeded());
        }
        QVERIFY(link("eth0", "peer0",
                     {"198.51.100.1/24", "203.0.113.1/24", "10.77.0.1/24", "2001:db8::1/64", "fd77::1/64"},
                     {"198.51.100.10/24", "203.0.113.20/24", "10.77.0.2/24", "2001:db8::10/64",
                      "2001:db8::20/64", "fd77::2/64"}));
        QVERIFY(link("tun9", "peer9", {"100.64.9.1/24", "2001:db8:9::1/64"},
                     {"100.64.9.2/24", "2001:db8:9::2/64"}));
        for (const QString &address : everyAddress)
            QTRY_VERIFY_WITH_TIMEOUT(reachable(address), 10000);
    }
    void cleanup()
    {
        m_client.reset();
        m_peer.reset();
    }

    void protection_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("reached");
        QTest::newRow("IPv4 server, no local devices")
            << QStringList {"enable", "all", server4, ""} << QStringList {server4, tunnel4, tunnel6};
        QTest::newRow("IPv4 server, local devices")
            << QStringList {"enable", "all", server4, "local"}
            << QStringList {server4, local4, local6, tunnel4, tunnel6};
        QTest::newRow("IPv6 server") << QStringList {"enable", "all", server6}
                                     << QStringList {server6, tunnel4, tunnel6};
    }
    void protection()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, reached);
        SystemCommand::Result result = killswitch(arguments);
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QCOMPARE(reachableAddresses(), reached);

        // Enabling again replaces the table instead of adding a second one.
        const QByteArray rules = ruleset();
        result = killswitch(arguments);
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QCOMPARE(ruleset(), rules);
        QCOMPARE(ruleset().count("table "), 1);

        result = killswitch({"disable", "all"});
        QVERIFY2(result.succeeded(), qPrintable(result.message()));
        QVERIFY(ruleset().trimmed().isEmpty());
        QCOMPARE(reachableAddresses(), everyAddress);
        // Disabling what is not enabled is no error.
        QVERIFY(killswitch({"disable", "all"}).succeeded());
    }

    void disableLeavesOtherTablesAlone()
    {
        QVERIFY(m_client->exec({"nft", "add", "table", "inet", "someone_else"}).succeeded());
        QVERIFY(killswitch({"enable", "all", server4, ""}).succeeded());
        QVERIFY(killswitch({"disable", "all"}).succeeded());
        QCOMPARE(ruleset().count("table "), 1);
        QVERIFY(ruleset().contains("table inet someone_else"));
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no verb") << QStringList();
        QTest::newRow("unknown verb") << QStringList {"block", "all", server4};
        QTest::newRow("missing server") << QStringList {"enable", "all"};
        QTest::newRow("malformed server") << QStringList {"enable", "all", "198.51.100"};
        QTest::newRow("rule text as server")
            << QStringList {"enable", "all", server4 + " accept; flush ruleset"};
        QTest::newRow("unknown option") << QStringList {"enable", "all", server4, "lan"};
        QTest::newRow("disable with a scope of its own") << QStringList {"disable", "ipv6"};
    }
    void badInputChangesNothing()
    {
        QFETCH(QStringList, arguments);
        // Once with protection off, once with it on.
        for (bool enabled : {false, true}) {
            if (enabled)
                QVERIFY(killswitch({"enable", "all", server4, "local"}).succeeded());
            const QByteArray before = ruleset();
            const SystemCommand::Result result = killswitch(arguments);
            QVERIFY(result.ran);
            QVERIFY(result.exitCode != 0);
            QVERIFY(result.errors.startsWith("killswitch: "));
            QCOMPARE(ruleset(), before);
        }
    }
};

QTEST_GUILESS_MAIN(TestKillSwitchTool)
#include "test_killswitchtool.moc"
