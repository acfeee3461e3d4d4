#include "enginepeer.h"
#include "fakeservice.h"
#include "servicecontroller.h"
#include "tcpserver.h"
#include "utils.h"
#include "wireguardclient.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {
const QString server = QStringLiteral("192.0.2.44");

Account validAccount()
{
    return Account(42, QStringLiteral("alice"), QStringLiteral("Enabled"), QString(), QString(),
                   QStringLiteral("10.66.66.2"),
                   QStringLiteral("cHJpdmF0ZS1rZXktb2YtdGhlLWNsaWVudC0wMDAwMDA9"), QString());
}

} // namespace

class TestWireGuardClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void configurationFileIsPrivate();
    void occupiedConfigurationNames();
    void engineCommandLine();
    void controlDialog();
    void errorWithoutMessageKeepsTheText();
    void crashThenReconnect();
    void engineErrorIsNoCrash();
    void startFailures_data();
    void startFailures();
    void stopAsksTheEngine();

private:
    WireGuardClient *startedClient(bool reconnect = true);
    quint16 controlPort(WireGuardClient *client) const;

    FakeService *m_service = nullptr;
    ServiceController *m_controller = nullptr;
};

void TestWireGuardClient::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // The client checks that its engine exists beside the executable.
    const QString engine
        = QCoreApplication::applicationDirPath() + QStringLiteral("/wireguard/bin/wireguard-service");
    QDir().mkpath(QFileInfo(engine).path());
    if (!QFile::exists(engine))
        QVERIFY(QFile(engine).open(QIODevice::WriteOnly));
    m_service = new FakeService;
    m_controller = new ServiceController(true, this, m_service->port());
    QTRY_VERIFY(m_controller->isConnected());
}

void TestWireGuardClient::init()
{
    m_service->frames.clear();
    VpnClient::setAccount(validAccount());
}

void TestWireGuardClient::cleanupTestCase()
{
    delete m_controller;
    delete m_service;
}

WireGuardClient *TestWireGuardClient::startedClient(bool reconnect)
{
    auto *client = new WireGuardClient(this);
    client->setConnectionData(ConnectionData(QStringLiteral("alice"), QStringLiteral("pw"), server,
                                             NetworkProtocol::WireGuard, 55888, reconnect, false));
    client->setControlPort(0);
    client->setControlPeerUid(geteuid());
    client->startUp();
    // As if the service had reported the engine's process (the report itself
    // would also change the process state, which the tests set up on their own).
    client->findChild<TcpServer *>()->setExpectedPeerProcess(EnginePeer::defaultPid);
    return client;
}

quint16 TestWireGuardClient::controlPort(WireGuardClient *client) const
{
    return client->findChild<TcpServer *>()->serverPort();
}

void TestWireGuardClient::configurationFileIsPrivate()
{
    std::unique_ptr<WireGuardClient> client(startedClient());
    const QString path = client->configFilePath();
    QVERIFY(path.endsWith(QLatin1String("/config/wg-veltranovpn.conf")));
    // Owner, group and others (the "user" bits say what this process, often root, may do).
    const QFileDevice::Permissions modeBits = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QCOMPARE(QFileInfo(path).permissions() & modeBits, QFileDevice::Permissions());
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             validAccount().configuration(server, QStringLiteral("172.16.0.1")));
}

void TestWireGuardClient::occupiedConfigurationNames()
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("wg-test"));
    // A free name is taken as it is; an existing file is replaced.
    QCOMPARE(WireGuardClient::prepareEmptyConfigFile(base), base + QStringLiteral(".conf"));
    QVERIFY(QFile(base + QStringLiteral(".conf")).open(QIODevice::WriteOnly));
    QCOMPARE(WireGuardClient::prepareEmptyConfigFile(base), base + QStringLiteral(".conf"));
    QVERIFY(!QFile::exists(base + QStringLiteral(".conf")));
    // A name that cannot be removed (here: a folder with content) moves on to numbered names.
    QVERIFY(QDir().mkpath(base + QStringLiteral(".conf/x")));
    QVERIFY(QDir().mkpath(base + QStringLiteral("1.conf/x")));
    const QString next = WireGuardClient::prepareEmptyConfigFile(base);
    QCOMPARE(next, base + QStringLiteral("2.conf"));
}

void TestWireGuardClient::engineCommandLine()
{
    std::unique_ptr<WireGuardClient> client(startedClient());
    QCOMPARE(client->connectionStateId(), ConnectionState::Id::Connecting);
    QVERIFY(!client->supportsKillSwitch());
    // Frames of earlier tests' clients may still arrive: wait for this client's start.
    const QString expected = QStringLiteral("start: \"%1\" \"--add\" \"%2\" \"--port\" \"%3\"")
                                 .arg(client->execPath(), client->configFilePath())
                                 .arg(controlPort(client.get()));
    QTRY_VERIFY(m_service->frames.contains(expected));
    QVERIFY(client->execPath().endsWith(QLatin1String("/wireguard/bin/wireguard-service")));
}

void TestWireGuardClient::controlDialog()
{
    std::unique_ptr<WireGuardClient> client(startedClient());
    QSignalSpy states(client.get(), &VpnClient::connectionStateChanged);
    QSignalSpy bytes(client.get(), &VpnClient::byteCountChanged);
    EnginePeer engine;
    QVERIFY(engine.connectTo(controlPort(client.get())));

    engine.send(">BYTECOUNT:0 B, 0 B\r\n>STATE:CONNECTED\r\n");
    QTRY_COMPARE(client->connectionStateId(), ConnectionState::Id::Connected);
    engine.send(">BYTECOUNT:1.5 KiB, 3 MiB\r\n");
    QTRY_VERIFY(!bytes.isEmpty() && bytes.last().at(0).toULongLong() == 1536);
    QCOMPARE(bytes.last().at(1).toULongLong(), quint64(3145728));

    // A count without ", " ends the batch: the state line behind it waits for the next data.
    const int before = bytes.count();
    engine.send(">BYTECOUNT:12 KiB\r\n>STATE:DISCONNECTED\r\n");
    QTest::qWait(100);
    QCOMPARE(bytes.count(), before);
    QCOMPARE(client->connectionStateId(), ConnectionState::Id::Connected);
    engine.send(">BYTECOUNT:2 KiB, 1 KiB\r\n");
    QTRY_COMPARE(client->connectionStateId(), ConnectionState::Id::Disconnected);
    QCOMPARE(bytes.last().at(0).toULongLong(), quint64(2048));
}

void TestWireGuardClient::errorWithoutMessageKeepsTheText()
{
    std::unique_ptr<WireGuardClient> client(startedClient());
    QSignalSpy states(client.get(), &VpnClient::connectionStateChanged);
    EnginePeer engine;
    QVERIFY(engine.connectTo(controlPort(client.get())));
    engine.send(">STATE:ERROR:No handshake with the server\r\n");
    QTRY_COMPARE(client->connectionStateId(), ConnectionState::Id::Error);
    QCOMPARE(states.last().at(1).toString(), QStringLiteral("No handshake with the server"));
    QCOMPARE(states.last().at(2).toBool(), true);
    // A message-less error keeps the text; the end of the engine then carries it.
    engine.send(">STATE:ERROR\r\n");
    m_service->send(QStringLiteral("finished:4242,1,wireguard-service\n"));
    QTRY_COMPARE(client->connectionStateId(), ConnectionState::Id::Disconnected);
    QCOMPARE(states.last().at(1).toString(), QStringLiteral("No handshake with the server"));
}

void TestWireGuardClient::crashThenReconnect()
{
    std::unique_ptr<WireGuardClient> client(startedClient());
    QSignalSpy states(client.get(), &VpnClient::connectionStateChanged);
    m_service->send(QStringLiteral("started:4242,0,wireguard-service\n"));
    m_service->send(QStringLiteral("finished:4242,137,wireguard-service\n"));
    QTRY_COMPARE(client->connectionStateId(), ConnectionState::Id::Reconnecting);
    QCOMPARE(states.at(states.count() - 2).at(0).value<ConnectionState::Id>(),
             ConnectionState::Id::Disconnected);
    QCOMPARE(states.at(states.count() - 2).at(1).toString(), QStringLiteral("CrashExit"));
    QCOMPARE(states.last().at(2).toBool(), true);
}

void TestWireGuardClient::engineErrorIsNoCrash()
{
    std::unique_ptr<WireGuardClient> client(startedClient());
    EnginePeer engine;
    QVERIFY(engine.connectTo(controlPort(client.get())));
    m_service->send(QStringLiteral("started:4242,0,wireguard-service\n"));
    engine.send(">STATE:ERROR:Missing or invalid PrivateKey\r\n");
    QTRY_COMPARE(client->connectionStateId(), ConnectionState::Id::Error);
    m_service->send(QStringLiteral("finished:4242,1,wireguard-service\n"));
    QTRY_COMPARE(client->connectionStateId(), ConnectionState::Id::Disconnected);
    QTest::qWait(100);
    QCOMPARE(client->connectionStateId(), ConnectionState::Id::Disconnected);
}

void TestWireGuardClient::startFailures_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("validAccount");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("critical");
    QTest::newRow("empty server") << QString() << true << "Server name is empty!" << false;
    QTest::newRow("disabled account") << server << false << "No valid WireGuard account" << true;
}

void TestWireGuardClient::startFailures()
{
    QFETCH(QString, host);
    QFETCH(bool, validAccount);
    QFETCH(QString, text);
    QFETCH(bool, critical);
    if (!validAccount)
        VpnClient::setAccount(
            Account(42, QStringLiteral("bob"), QStringLiteral("Disabled"), {}, {}, {}, {}, {}));
    WireGuardClient client;
    client.setConnectionData(ConnectionData(QStringLiteral("u"), QStringLiteral("p"), host,
                                            NetworkProtocol::WireGuard, 55888, true, false));
    client.setControlPort(0);
    QSignalSpy states(&client, &VpnClient::connectionStateChanged);
    client.start();
    QTRY_VERIFY(!states.isEmpty());
    QCOMPARE(client.connectionStateId(), ConnectionState::Id::Error);
    QCOMPARE(states.last().at(1).toString(), text);
    QCOMPARE(states.last().at(2).toBool(), critical);
    QTest::qWait(50);
    QVERIFY(m_service->frames.filter(QStringLiteral("start:")).isEmpty());
}

void TestWireGuardClient::stopAsksTheEngine()
{
    std::unique_ptr<WireGuardClient> client(startedClient());
    EnginePeer engine;
    QVERIFY(engine.connectTo(controlPort(client.get())));
    QTRY_VERIFY(client->sendTermSignal());
    QTRY_VERIFY(engine.bytes.contains("signal SIGTERM\r\n"));
    client->stop();
    QCOMPARE(client->connectionStateId(), ConnectionState::Id::Disconnecting);
    m_service->send(QStringLiteral("finished:4242,0,wireguard-service\n"));
    QTRY_COMPARE(client->connectionStateId(), ConnectionState::Id::Disconnected);
    QTest::qWait(50);
    QCOMPARE(client->connectionStateId(), ConnectionState::Id::Disconnected);
}

QTEST_GUILESS_MAIN(TestWireGuardClient)
#include "test_wireguardclient.moc"
