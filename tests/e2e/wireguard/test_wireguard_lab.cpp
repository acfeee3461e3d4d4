// The WireGuard client end to end in the lab's client namespace: the account
// from the lab's API, the engine through the real vpn-service, a tunnel to a
// lab server, traffic, stop, a crash of the engine, refused accounts.
#include "networkapi.h"
#include "servicecontroller.h"
#include "wireguardclient.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

namespace {
const QString server = QStringLiteral("10.200.2.1");

QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(30000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}

QByteArray resolverConfiguration()
{
    QFile file(QStringLiteral("/etc/resolv.conf"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool tunnelLeftovers()
{
    return run(QStringLiteral("ip"), {QStringLiteral("-o"), QStringLiteral("link")})
        .contains(QLatin1String("vpnwg"));
}
} // namespace

class TestWireGuardLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void connectsCarriesTrafficAndStops();
    void engineCrashReconnects();
    void disabledAccountNeverStarts();
    void unknownKeyNeverConnects();

private:
    Account fetchAccount(const QString &user, const QString &password);
    WireGuardClient *newClient(bool reconnect = true);

    ServiceController *m_controller = nullptr;
    NetworkApi *m_api = nullptr;
    Account m_alice;
    QByteArray m_userResolver;
};

void TestWireGuardLab::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    const quint16 port = quint16(qEnvironmentVariableIntValue("VPN_E2E_SERVICE_PORT"));
    QVERIFY2(port != 0, "run through run.sh");
    m_controller = new ServiceController(true, this, port);
    QTRY_VERIFY_WITH_TIMEOUT(m_controller->isConnected(), 10000);
    m_api = new NetworkApi(this);
    m_alice = fetchAccount(QStringLiteral("alice"), QStringLiteral("alice-pass"));
    QVERIFY(m_alice.isValid());
    QVERIFY(!m_alice.wgPrivateKey().isEmpty());
    m_userResolver = resolverConfiguration();
    QVERIFY(!tunnelLeftovers());
}

Account TestWireGuardLab::fetchAccount(const QString &user, const QString &password)
{
    QSignalSpy accounts(m_api, &NetworkApi::apiRequestAccountFinished);
    m_api->apiRequestWireguardData(user, password);
    if (!accounts.wait(25000))
        return Account();
    return accounts.first().first().value<Account>();
}

WireGuardClient *TestWireGuardLab::newClient(bool reconnect)
{
    auto *client = new WireGuardClient(this);
    client->setConnectionData(ConnectionData(QStringLiteral("alice"), QStringLiteral("alice-pass"), server,
                                             NetworkProtocol::WireGuard, 55888, reconnect, false));
    return client;
}

void TestWireGuardLab::connectsCarriesTrafficAndStops()
{
    VpnClient::setAccount(m_alice);
    std::unique_ptr<WireGuardClient> client(newClient());
    QSignalSpy bytes(client.get(), &VpnClient::byteCountChanged);
    QVERIFY(client->start());
    QTRY_COMPARE_WITH_TIMEOUT(client->connectionStateId(), ConnectionState::Id::Connected, 30000);

    // Traffic to the VPN's DNS server goes through the tunnel, and the counters rise.
    QTRY_VERIFY_WITH_TIMEOUT(!bytes.isEmpty(), 5000);
    const quint64 before = bytes.last().at(0).toULongLong();
    int code = -1;
    run(QStringLiteral("ping"),
        {QStringLiteral("-c"), QStringLiteral("3"), QStringLiteral("-W"), QStringLiteral("2"),
         QStringLiteral("172.16.0.1")},
        &code);
    QCOMPARE(code, 0);
    QTRY_VERIFY_WITH_TIMEOUT(bytes.last().at(0).toULongLong() > before, 15000);
    QVERIFY(resolverConfiguration().contains("172.16.0.1"));

    // The API now sees the server's address.
    QSignalSpy geo(m_api, &NetworkApi::requestCurrentIpAddressFinished);
    m_api->requestCurrentIpAddress();
    QVERIFY(geo.wait(25000));
    QCOMPARE(geo.first().at(0).toString(), server);

    QVERIFY(client->stop());
    QTRY_COMPARE_WITH_TIMEOUT(client->connectionStateId(), ConnectionState::Id::Disconnected, 15000);
    QVERIFY(!tunnelLeftovers());
    QCOMPARE(resolverConfiguration(), m_userResolver);
    // The engine's rules (its table 61976 is 0xf218 as a mark) are gone.
    QVERIFY(!run(QStringLiteral("ip"), {QStringLiteral("rule")}).contains(QLatin1String("0xf218")));
}

void TestWireGuardLab::engineCrashReconnects()
{
    VpnClient::setAccount(m_alice);
    std::unique_ptr<WireGuardClient> client(newClient());
    QSignalSpy states(client.get(), &VpnClient::connectionStateChanged);
    QVERIFY(client->start());
    QTRY_COMPARE_WITH_TIMEOUT(client->connectionStateId(), ConnectionState::Id::Connected, 30000);

    const QString pid = run(QStringLiteral("pgrep"),
                            {QStringLiteral("-f"), QStringLiteral("wireguard/bin/wireguard-service --add")})
                            .section(QLatin1Char('\n'), 0, 0)
                            .trimmed();
    QVERIFY(!pid.isEmpty());
    run(QStringLiteral("kill"), {QStringLiteral("-KILL"), pid});
    QTRY_COMPARE_WITH_TIMEOUT(client->connectionStateId(), ConnectionState::Id::Reconnecting, 15000);
    bool crashReported = false;
    for (const QList<QVariant> &state : qAsConst(states)) {
        if (state.at(0).value<ConnectionState::Id>() == ConnectionState::Id::Disconnected
            && state.at(1).toString() == QLatin1String("CrashExit"))
            crashReported = true;
    }
    QVERIFY(crashReported);
    // The user-space interface ends with its engine.
    QTRY_VERIFY_WITH_TIMEOUT(!tunnelLeftovers(), 5000);
}

void TestWireGuardLab::disabledAccountNeverStarts()
{
    const Account bob = fetchAccount(QStringLiteral("bob"), QStringLiteral("bob-pass"));
    QCOMPARE(bob.status(), QStringLiteral("Disabled"));
    VpnClient::setAccount(bob);
    std::unique_ptr<WireGuardClient> client(newClient());
    QSignalSpy states(client.get(), &VpnClient::connectionStateChanged);
    client->start();
    QTRY_COMPARE(client->connectionStateId(), ConnectionState::Id::Error);
    QCOMPARE(states.last().at(2).toBool(), true);
    QTest::qWait(2000);
    QCOMPARE(client->connectionStateId(), ConnectionState::Id::Error);
    QVERIFY(!tunnelLeftovers());
}

void TestWireGuardLab::unknownKeyNeverConnects()
{
    const QString key = run(QStringLiteral("wg"), {QStringLiteral("genkey")}).trimmed();
    VpnClient::setAccount(Account(m_alice.id(), m_alice.userName(), m_alice.status(), QString(), QString(),
                                  m_alice.wgIp(), key, QString()));
    std::unique_ptr<WireGuardClient> client(newClient());
    QSignalSpy states(client.get(), &VpnClient::connectionStateChanged);
    QVERIFY(client->start());
    // The engine gives up after its handshake time and reports why.
    QTRY_COMPARE_WITH_TIMEOUT(client->connectionStateId(), ConnectionState::Id::Disconnected, 60000);
    bool connected = false;
    bool error = false;
    for (const QList<QVariant> &state : qAsConst(states)) {
        connected |= state.at(0).value<ConnectionState::Id>() == ConnectionState::Id::Connected;
        error |= state.at(0).value<ConnectionState::Id>() == ConnectionState::Id::Error;
    }
    QVERIFY(!connected);
    QVERIFY(error);
    QTest::qWait(500);
    QCOMPARE(client->connectionStateId(), ConnectionState::Id::Disconnected);
    QVERIFY(!tunnelLeftovers());
    QCOMPARE(resolverConfiguration(), m_userResolver);
}

QTEST_GUILESS_MAIN(TestWireGuardLab)
#include "test_wireguard_lab.moc"
