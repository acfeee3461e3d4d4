#include "logger.h"
#include "openvpnclient.h"
#include "servicecontroller.h"
#include "statetexts.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <csignal>
#include <unistd.h>

// The client against the real vpn-service and the real OpenVPN servers of the
// lab. The test runs in the lab's client namespace (the user's machine) and
// starts the service there, as the demo does.

namespace {
const QString labServer = QStringLiteral("10.200.3.1");
const QString labDnsIpv4 = QStringLiteral("172.16.0.1");
const QString labDnsIpv6 = QStringLiteral("fd00:dead:beef:cafe::1");
constexpr int connectTimeout = 30000;

// The service runs only the engines of its own directory, the build's bin/.
class LabOpenVpnClient : public OpenVpnClient
{
public:
    QString execPath() const override { return QStringLiteral(VPN_APP_DIR "/openvpn/bin/openvpn"); }
};

// The VPN DNS server answers only through a tunnel.
bool pingThroughTunnel()
{
    QProcess ping;
    ping.start(QStringLiteral("ping"), {"-c", "5", "-i", "0.2", "-W", "2", labDnsIpv4});
    return ping.waitForFinished(20000) && ping.exitStatus() == QProcess::NormalExit && ping.exitCode() == 0;
}

QList<qint64> enginePids(const QString &execPath)
{
    QProcess pgrep;
    pgrep.start(QStringLiteral("pgrep"), {QStringLiteral("-f"), execPath});
    pgrep.waitForFinished(10000);
    QList<qint64> pids;
    const QList<QByteArray> lines = pgrep.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        if (!line.trimmed().isEmpty())
            pids << line.trimmed().toLongLong();
    }
    return pids;
}
} // namespace

class TestOpenVpnClientLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void connectAndStop_data();
    void connectAndStop();
    void wrongPassword();
    void killedEngineReconnects();

private:
    void newClient(const QString &password, NetworkProtocol protocol, quint16 port);
    bool engineGone() { return enginePids(QStringLiteral(VPN_APP_DIR "/openvpn/bin/openvpn")).isEmpty(); }

    QProcess m_service;
    ServiceController *m_controller = nullptr;
    LabOpenVpnClient *m_client = nullptr;
};

void TestOpenVpnClientLab::initTestCase()
{
    if (qgetenv("VPNLAB") != "1")
        QSKIP("runs only inside the lab (tests/lib/inlab.sh)");
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(Logger::instance()->initialized());

    // The lab is shared: a service that already runs there belongs to somebody else.
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, ServiceController::defaultPort);
    if (probe.waitForConnected(1000))
        QSKIP("a vpn-service already runs in the lab (the demo?)");

    m_service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_service.start(QStringLiteral(VPN_APP_DIR "/vpn-service"), QStringList());
    QVERIFY2(m_service.waitForStarted(10000), "the vpn-service does not start");
    m_controller = new ServiceController(true, this);
    QTRY_VERIFY_WITH_TIMEOUT(m_controller->isConnected(), 15000);
}

void TestOpenVpnClientLab::init()
{
    // Every case starts without an engine of an earlier case, and with the
    // lab's server reached directly, not through a tunnel of somebody else.
    QTRY_VERIFY_WITH_TIMEOUT(engineGone(), 10000);
    QProcess route;
    route.start(QStringLiteral("ip"), {"-o", "route", "get", labServer});
    QVERIFY(route.waitForFinished(10000));
    const QString path = QString::fromUtf8(route.readAllStandardOutput()).simplified();
    QVERIFY2(path.contains(QStringLiteral(" dev eth0 ")),
             qPrintable("another tunnel is up in the lab: " + path));
}

void TestOpenVpnClientLab::cleanup()
{
    // A failed case leaves no engine behind for the next one.
    delete m_client;
    m_client = nullptr;
}

void TestOpenVpnClientLab::cleanupTestCase()
{
    delete m_controller;
    if (m_service.state() != QProcess::NotRunning) {
        m_service.terminate();
        if (!m_service.waitForFinished(10000))
            m_service.kill();
    }
}

void TestOpenVpnClientLab::newClient(const QString &password, NetworkProtocol protocol, quint16 port)
{
    delete m_client;
    m_client = new LabOpenVpnClient;
    m_client->setConnectionData(
        ConnectionData(QStringLiteral("alice"), password, labServer, protocol, port, true, true));
}

void TestOpenVpnClientLab::connectAndStop_data()
{
    QTest::addColumn<NetworkProtocol>("protocol");
    QTest::addColumn<quint16>("port");
    QTest::newRow("udp") << NetworkProtocol::UDP << quint16(123);
    QTest::newRow("tcp") << NetworkProtocol::TCP << quint16(8080);
    QTest::newRow("stealth") << NetworkProtocol::Stealth << quint16(443);
}

void TestOpenVpnClientLab::connectAndStop()
{
    QFETCH(NetworkProtocol, protocol);
    QFETCH(quint16, port);
    newClient(QStringLiteral("alice-pass"), protocol, port);
    QSignalSpy stateSpy(m_client, &VpnClient::connectionStateChanged);
    QSignalSpy ipSpy(m_client, &VpnClient::assignedInternalIp);
    QSignalSpy dnsSpy(m_client, &VpnClient::dnsServerAddressesPushed);
    QSignalSpy byteSpy(m_client, &VpnClient::byteCountChanged);

    QVERIFY(m_client->start());
    QTRY_VERIFY_WITH_TIMEOUT(reached(stateSpy, ConnectionState::Id::Connected), connectTimeout);
    QCOMPARE(states(stateSpy), QStringList({"Connecting||", "Connected||"}));

    QCOMPARE(ipSpy.count(), 1);
    const QString internalIp = ipSpy.at(0).at(0).toString();
    QVERIFY2(QHostAddress(internalIp).protocol() == QAbstractSocket::IPv4Protocol, qPrintable(internalIp));
    QCOMPARE(m_client->internalIp(), internalIp);
    QVERIFY(dnsSpy.count() >= 1);
    QCOMPARE(dnsSpy.last().at(0).toString(), labDnsIpv4);
    QCOMPARE(dnsSpy.last().at(1).toString(), labDnsIpv6);

    // Traffic through the tunnel shows in the counters, which OpenVPN reports
    // each second while the tunnel carries something.
    QVERIFY(pingThroughTunnel());
    QTRY_VERIFY_WITH_TIMEOUT(byteSpy.count() > 0, 15000);
    const quint64 receivedBefore = byteSpy.last().at(0).toULongLong();
    const quint64 sentBefore = byteSpy.last().at(1).toULongLong();
    QVERIFY(receivedBefore > 0 && sentBefore > 0);
    QVERIFY(pingThroughTunnel());
    QTRY_VERIFY_WITH_TIMEOUT(byteSpy.last().at(0).toULongLong() > receivedBefore
                                 && byteSpy.last().at(1).toULongLong() > sentBefore,
                             15000);

    const QString configPath = m_client->configFilePath();
    QVERIFY(QFile::exists(configPath));
    QVERIFY(m_client->vpnProcessIsRunning());

    QVERIFY(m_client->stop());
    QTRY_VERIFY_WITH_TIMEOUT(reached(stateSpy, ConnectionState::Id::Disconnected), 15000);
    QCOMPARE(states(stateSpy),
             QStringList({"Connecting||", "Connected||", "Disconnecting||", "Disconnected||"}));
    QVERIFY(!QFile::exists(configPath));
    QVERIFY(m_client->configFilePath().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(engineGone(), 10000);
}

void TestOpenVpnClientLab::wrongPassword()
{
    newClient(QStringLiteral("not-alice-pass"), NetworkProtocol::UDP, 53);
    QSignalSpy stateSpy(m_client, &VpnClient::connectionStateChanged);
    QVERIFY(m_client->start());
    QTRY_VERIFY_WITH_TIMEOUT(reached(stateSpy, ConnectionState::Id::Disconnected), connectTimeout);
    const QStringList seen = states(stateSpy);
    QCOMPARE(seen.mid(0, 2), QStringList({"Connecting||", "Error|Error: Wrong Username/Password|critical"}));
    QCOMPARE(seen.size(), 3);
    QVERIFY(seen.at(2).startsWith(QStringLiteral("Disconnected|")));
    // No reconnection follows a refusal of the credentials.
    QVERIFY(!QTest::qWaitFor([&] { return reached(stateSpy, ConnectionState::Id::Reconnecting); }, 3000));
    QVERIFY(engineGone());
}

void TestOpenVpnClientLab::killedEngineReconnects()
{
    newClient(QStringLiteral("alice-pass"), NetworkProtocol::UDP, 88);
    QSignalSpy stateSpy(m_client, &VpnClient::connectionStateChanged);
    QVERIFY(m_client->start());
    QTRY_VERIFY_WITH_TIMEOUT(reached(stateSpy, ConnectionState::Id::Connected), connectTimeout);

    const QList<qint64> pids = enginePids(m_client->execPath());
    QCOMPARE(pids.size(), 1);
    QCOMPARE(::kill(pid_t(pids.first()), SIGKILL), 0);

    QTRY_VERIFY_WITH_TIMEOUT(reached(stateSpy, ConnectionState::Id::Reconnecting), 15000);
    QCOMPARE(
        states(stateSpy),
        QStringList({"Connecting||", "Connected||", "Disconnected|CrashExit|", "Reconnecting||critical"}));
    QVERIFY(m_client->configFilePath().isEmpty());
}

QTEST_GUILESS_MAIN(TestOpenVpnClientLab)
#include "test_openvpnclient.moc"
