#include "enginepeer.h"
#include "fakeservice.h"
#include "logcapture.h"
#include "logger.h"
#include "openvpnclient.h"
#include "servicecontroller.h"
#include "statetexts.h"
#include "tcpserver.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {
// One line of a recorded management dialog: from OpenVPN (">>") or from the client ("<<").
struct Step
{
    bool fromEngine = false;
    QString text;
};

QList<Step> readTranscript(const QString &name)
{
    QList<Step> steps;
    QFile file(QStringLiteral(VPN_TEST_DATA_DIR "/management/%1").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return steps;
    static const QRegularExpression pattern(QStringLiteral("^\\s*[0-9.]+ (>>|<<) (.*)$"));
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(line));
        if (match.hasMatch())
            steps << Step {match.captured(1) == QLatin1String(">>"), match.captured(2)};
    }
    return steps;
}

// OpenVPN's side of the management connection, played by the test.
class ScriptedPeer : public EnginePeer
{
public:
    // True once the client has sent the line next; repeated "bytecount 1"
    // commands are allowed in between, anything else is recorded as unexpected.
    bool received(const QString &line)
    {
        while (m_next < lines.size()) {
            const QString sent = lines.at(m_next++);
            if (sent == line)
                return true;
            if (sent != QLatin1String("bytecount 1"))
                unexpected << sent;
        }
        return false;
    }

    bool waitFor(const QString &line)
    {
        return QTest::qWaitFor([&] { return received(line); }, 5000);
    }

    QStringList rest() const { return lines.mid(m_next); }

    QStringList unexpected;

private:
    int m_next = 0;
};

QStringList joined(const QSignalSpy &spy)
{
    QStringList texts;
    for (const QList<QVariant> &arguments : spy) {
        QStringList values;
        for (const QVariant &value : arguments)
            values << value.toString();
        texts << values.join(QLatin1Char('|'));
    }
    return texts;
}

// Everything the peer wrote has reached the client and has been handled.
bool drained(const ScriptedPeer &peer, OpenVpnClient *client)
{
    const QTcpSocket *socket = client->findChild<TcpServer *>()->socket();
    int inKernel = 0;
    return peer.socket.bytesToWrite() == 0 && socket && socket->bytesAvailable() == 0
        && ::ioctl(int(socket->socketDescriptor()), FIONREAD, &inKernel) == 0 && inKernel == 0;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString server = QStringLiteral("10.99.0.2");
} // namespace

class TestOpenVpnClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void dialog_data();
    void dialog();
    void exitWithoutEndReport();
    void crash_data();
    void crash();
    void startCommandAndStopWhileStarting();
    void refusedStart();
    void startWithoutServer();
    void stopWhenDisconnected();
    void configuration_data();
    void configuration();
    void unknownProtocol();
    void odditiesOfTheEngine();
    void peerThatClosesEarly();
    void foreignPeerGetsNothing();

private:
    // A client ready for its management connection, as after startUp().
    OpenVpnClient *startedClient(NetworkProtocol protocol, const QString &userName = QStringLiteral("alice"),
                                 const QString &password = QStringLiteral("s3cret pass"), bool ipv6 = true,
                                 bool reconnect = true);
    void report(const QString &text) { m_service->send(text + QLatin1Char('\n')); }

    FakeService *m_service = nullptr;
    ServiceController *m_controller = nullptr;
};

void TestOpenVpnClient::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // The engine log lies beside the application log: the logger must be ready.
    QVERIFY(Logger::instance()->initialized());
    m_service = new FakeService;
    m_controller = new ServiceController(true, this, m_service->port());
    QTRY_VERIFY(m_controller->isConnected());
    QTRY_COMPARE(m_service->frames, QStringList({"init: connection"}));
}

void TestOpenVpnClient::init()
{
    m_service->frames.clear();
}

void TestOpenVpnClient::cleanupTestCase()
{
    delete m_controller;
    delete m_service;
}

OpenVpnClient *TestOpenVpnClient::startedClient(NetworkProtocol protocol, const QString &userName,
                                                const QString &password, bool ipv6, bool reconnect)
{
    auto *client = new OpenVpnClient(this);
    client->setConnectionData(ConnectionData(userName, password, server, protocol,
                                             protocol == NetworkProtocol::UDP ? 1194 : 1443, reconnect,
                                             ipv6));
    client->setManagementPort(0);
    client->setManagementPeerUid(geteuid());
    client->startUp();
    // As if the service had reported the engine's process (the report itself
    // would also change the process state, which the tests set up on their own).
    client->findChild<TcpServer *>()->setExpectedPeerProcess(EnginePeer::defaultPid);
    return client;
}

void TestOpenVpnClient::dialog_data()
{
    QTest::addColumn<QString>("transcript");
    QTest::addColumn<NetworkProtocol>("protocol");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("ipv6");
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<QStringList>("internalIps");
    QTest::addColumn<QStringList>("dns");
    QTest::addColumn<QStringList>("byteCounts");

    const QString pass = QStringLiteral("s3cret pass");
    const QStringList stopped = {"Connecting||", "Connected||", "Disconnecting||", "Disconnected||"};
    const QStringList labDns = {"172.16.0.1|fd00:dead:beef:cafe::1"};
    QTest::newRow("udp") << "udp.txt" << NetworkProtocol::UDP << "alice" << pass << true << 0 << 0 << stopped
                         << QStringList {"172.16.0.2"} << labDns << QStringList();
    QTest::newRow("udp in odd chunks")
        << "udp.txt" << NetworkProtocol::UDP << "alice" << pass << true << 7 << 0 << stopped
        << QStringList {"172.16.0.2"} << labDns << QStringList();
    QTest::newRow("tcp, IPv6 off") << "tcp.txt" << NetworkProtocol::TCP << "alice" << pass << false << 0 << 0
                                   << stopped << QStringList {"172.16.1.2"} << QStringList {"172.16.0.1|"}
                                   << QStringList();
    QTest::newRow("stealth") << "stealth.txt" << NetworkProtocol::Stealth << "alice" << pass << true << 0 << 0
                             << stopped << QStringList {"172.16.1.2"} << labDns << QStringList();
    QTest::newRow("escaped password") << "esc.txt" << NetworkProtocol::UDP << "bob"
                                      << "q\"uo\\te $x" << true << 0 << 0 << stopped
                                      << QStringList {"172.16.0.3"} << labDns << QStringList();
    QTest::newRow("wrong password") << "badpw.txt" << NetworkProtocol::UDP << "alice"
                                    << "wrongpass" << true << 0 << 1
                                    << QStringList {"Connecting||",
                                                    "Error|Error: Wrong Username/Password|critical",
                                                    "Disconnected|CrashExit|"}
                                    << QStringList() << QStringList() << QStringList();
    // OpenVPN reconnects by itself inside one run: credentials again, one tunnel address, one Connected.
    QTest::newRow("reconnection inside OpenVPN")
        << "reconn.txt" << NetworkProtocol::TCP << "alice" << pass << true << 0 << 0 << stopped
        << QStringList {"172.16.1.2"} << (labDns + labDns)
        << QStringList {"2416|1397", "4832|2720", "4832|2720", "4832|2720",
                        "4904|2720", "4904|2720", "4904|2720", "4904|2794"};
}

void TestOpenVpnClient::dialog()
{
    QFETCH(QString, transcript);
    QFETCH(NetworkProtocol, protocol);
    QFETCH(QString, userName);
    QFETCH(QString, password);
    QFETCH(bool, ipv6);
    QFETCH(int, chunkSize);
    QFETCH(int, exitCode);
    QFETCH(QStringList, states);
    QFETCH(QStringList, internalIps);
    QFETCH(QStringList, dns);
    QFETCH(QStringList, byteCounts);

    const QList<Step> steps = readTranscript(transcript);
    QVERIFY(steps.size() > 10);

    OpenVpnClient *client = startedClient(protocol, userName, password, ipv6);
    QSignalSpy stateSpy(client, &VpnClient::connectionStateChanged);
    QSignalSpy ipSpy(client, &VpnClient::assignedInternalIp);
    QSignalSpy dnsSpy(client, &VpnClient::dnsServerAddressesPushed);
    QSignalSpy byteSpy(client, &VpnClient::byteCountChanged);
    QSignalSpy receivedSpy(client->findChild<TcpServer *>(), &TcpServer::readyRead);
    // startUp() reported Connecting already.
    stateSpy.prepend({QVariant::fromValue(ConnectionState::Id::Connecting), QString(), false, QString()});

    ScriptedPeer peer;
    QVERIFY(peer.connectTo(client->managementServerPort()));
    // The peer has answered the client's "pid" before it sends its first
    // piece: OpenVPN writes whole lines, the test writes pieces of lines.
    QTRY_VERIFY(client->findChild<TcpServer *>()->isOpen());

    QByteArray pending;
    auto sendPending = [&] {
        const int size = chunkSize > 0 ? chunkSize : pending.size();
        for (int i = 0; i < pending.size(); i += size) {
            const int before = receivedSpy.count();
            peer.send(pending.mid(i, size));
            if (chunkSize > 0)
                QTRY_VERIFY(receivedSpy.count() > before);
        }
        pending.clear();
    };
    for (const Step &step : steps) {
        if (step.fromEngine) {
            pending += step.text.toUtf8() + "\r\n";
            continue;
        }
        sendPending();
        if (step.text == QLatin1String("signal SIGTERM")) {
            // The user stops after OpenVPN's last report has been handled.
            QTRY_VERIFY(drained(peer, client));
            client->stop();
        }
        QVERIFY2(peer.waitFor(step.text), qPrintable("expected: " + step.text));
    }
    sendPending();
    QTRY_VERIFY(peer.socket.bytesToWrite() == 0);
    peer.socket.disconnectFromHost();

    report(QStringLiteral("finished:4242,%1,openvpn").arg(exitCode));
    QTRY_COMPARE(::states(stateSpy), states);
    QCOMPARE(peer.unexpected, QStringList());
    for (const QString &line : peer.rest())
        QCOMPARE(line, QStringLiteral("bytecount 1"));
    QCOMPARE(joined(ipSpy), internalIps);
    QCOMPARE(joined(dnsSpy), dns);
    QCOMPARE(joined(byteSpy), byteCounts);
    QVERIFY(client->configFilePath().isEmpty());
    delete client;
}

void TestOpenVpnClient::exitWithoutEndReport()
{
    OpenVpnClient *client = startedClient(NetworkProtocol::UDP);
    QSignalSpy stateSpy(client, &VpnClient::connectionStateChanged);
    ScriptedPeer peer;
    QVERIFY(peer.connectTo(client->managementServerPort()));
    peer.send(">STATE:1,CONNECTED,SUCCESS,172.16.0.2,10.99.0.2,1194,,,\r\n");
    QTRY_COMPARE(::states(stateSpy), QStringList({"Connected||"}));

    // OpenVPN announces its exit, but the service never reports the end.
    client->stop();
    QVERIFY(peer.waitFor(QStringLiteral("signal SIGTERM")));
    LogCapture log;
    peer.send(">STATE:2,EXITING,SIGTERM,,,,,\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(::states(stateSpy),
                              QStringList({"Connected||", "Disconnecting||", "Disconnected||"}),
                              OpenVpnClient::exitTimeout + 3000);
    QVERIFY(log.contains(
        QStringLiteral("OpenVpnClient: OpenVPN process is exiting, waiting for notification..")));
    QVERIFY(log.contains(
        QStringLiteral("OpenVpnClient: Timeout while waiting for notification from openvpn process..")));
    QVERIFY(log.contains(QStringLiteral("OpenVpnClient: Checking if openvpn process is running: false")));

    // The report that comes after all changes nothing.
    report(QStringLiteral("finished:4242,0,openvpn"));
    QTRY_VERIFY(log.contains(QStringLiteral("OpenVpnClient: Already in disconnected state")));
    QCOMPARE(stateSpy.count(), 3);
    delete client;
}

void TestOpenVpnClient::crash_data()
{
    QTest::addColumn<bool>("reconnect");
    QTest::addColumn<QStringList>("states");
    QTest::newRow("reconnection on") << true
                                     << QStringList {"Connected||", "Disconnected|CrashExit|",
                                                     "Reconnecting||critical"};
    QTest::newRow("reconnection off") << false << QStringList {"Connected||", "Disconnected|CrashExit|"};
}

void TestOpenVpnClient::crash()
{
    QFETCH(bool, reconnect);
    QFETCH(QStringList, states);
    OpenVpnClient *client
        = startedClient(NetworkProtocol::TCP, QStringLiteral("alice"), QStringLiteral("pw"), true, reconnect);
    QSignalSpy stateSpy(client, &VpnClient::connectionStateChanged);
    ScriptedPeer peer;
    QVERIFY(peer.connectTo(client->managementServerPort()));
    report(QStringLiteral("started:4242,0,openvpn"));
    peer.send(">STATE:1,CONNECTED,SUCCESS,172.16.1.2,10.99.0.2,1443,,,\r\n");
    QTRY_COMPARE(stateSpy.count(), 1);

    // Killed: the service reports 128 + the signal number.
    report(QStringLiteral("finished:4242,137,openvpn"));
    QTRY_COMPARE(::states(stateSpy), states);
    QVERIFY(client->configFilePath().isEmpty());
    delete client;
}

void TestOpenVpnClient::startCommandAndStopWhileStarting()
{
    auto *client = new OpenVpnClient(this);
    client->setConnectionData(ConnectionData(QStringLiteral("alice"), QStringLiteral("pw"), server,
                                             NetworkProtocol::UDP, 1194, true, true));
    QSignalSpy stateSpy(client, &VpnClient::connectionStateChanged);
    QVERIFY(client->start());
    QVERIFY(QFile::exists(client->configFilePath()));
    QCOMPARE(client->managementServerPort(), OpenVpnClient::defaultManagementPort);

    const QStringList words = {client->execPath(),
                               "--config",
                               client->configFilePath(),
                               "--management",
                               "127.0.0.1",
                               "61973",
                               "--management-query-passwords",
                               "--management-client",
                               "--log-append",
                               client->logFilePath()};
    QVERIFY(client->execPath().endsWith(QStringLiteral("/openvpn/bin/openvpn")));
    QVERIFY(client->logFilePath().endsWith(QStringLiteral("-vpn.log")));
    QVERIFY(QFile::exists(client->logFilePath()));
    QTRY_COMPARE(m_service->frames, QStringList({"start: \"" + words.join("\" \"") + "\""}));

    // Stopped before the service reported the start: OpenVPN is ended through the service.
    QVERIFY(client->stop());
    QTRY_COMPARE(m_service->frames.size(), 2);
    QCOMPARE(m_service->frames.last(), QStringLiteral("start: <kill openvpn>"));
    report(QStringLiteral("finished:4242,143,openvpn"));
    QTRY_COMPARE(::states(stateSpy), QStringList({"Connecting||", "Disconnecting||", "Disconnected||"}));
    delete client;
}

void TestOpenVpnClient::refusedStart()
{
    OpenVpnClient *client = startedClient(NetworkProtocol::UDP);
    QSignalSpy stateSpy(client, &VpnClient::connectionStateChanged);
    report(QStringLiteral("started:0,2,openvpn"));
    QTRY_COMPARE(::states(stateSpy), QStringList({"Error|OpenVPN could not be started (status 2)|critical"}));
    QVERIFY(client->configFilePath().isEmpty());
    delete client;
}

void TestOpenVpnClient::startWithoutServer()
{
    OpenVpnClient client;
    client.setConnectionData(ConnectionData(QStringLiteral("alice"), QStringLiteral("pw"), QString(),
                                            NetworkProtocol::UDP, 1194, true, true));
    QSignalSpy stateSpy(&client, &VpnClient::connectionStateChanged);
    QVERIFY(!client.start());
    QCOMPARE(::states(stateSpy), QStringList({"Error|OpenVPN server is empty!|"}));
    QVERIFY(client.configFilePath().isEmpty());
    QVERIFY(!QTest::qWaitFor([this] { return !m_service->frames.isEmpty(); }, 200));
}

void TestOpenVpnClient::stopWhenDisconnected()
{
    OpenVpnClient client;
    QSignalSpy stateSpy(&client, &VpnClient::connectionStateChanged);
    QVERIFY(client.stop());
    QCOMPARE(stateSpy.count(), 0);
    QCOMPARE(client.connectionStateId(), ConnectionState::Id::Disconnected);
    QVERIFY(!QTest::qWaitFor([this] { return !m_service->frames.isEmpty(); }, 200));
}

void TestOpenVpnClient::configuration_data()
{
    QTest::addColumn<NetworkProtocol>("protocol");
    QTest::addColumn<bool>("ipv6");
    QTest::addColumn<QByteArray>("remote");
    QTest::addColumn<QByteArray>("options");
    const QByteArray noIpv6 = "pull-filter ignore ifconfig-ipv6\r\npull-filter ignore route-ipv6\r\n"
                              "pull-filter ignore 'redirect-gateway ipv6'\r\n";
    QTest::newRow("udp, IPv6 off") << NetworkProtocol::UDP << false
                                   << QByteArray("remote 10.99.0.2 1194 udp\n")
                                   << "verb 3\r\nmute-replay-warnings\r\nreplay-window 256\r\n" + noIpv6;
    QTest::newRow("udp, IPv6 on") << NetworkProtocol::UDP << true << QByteArray("remote 10.99.0.2 1194 udp\n")
                                  << QByteArray("verb 3\r\nmute-replay-warnings\r\nreplay-window 256\r\n");
    QTest::newRow("tcp, IPv6 off") << NetworkProtocol::TCP << false
                                   << QByteArray("remote 10.99.0.2 1443 tcp\n") << "verb 3\r\n" + noIpv6;
    QTest::newRow("tcp, IPv6 on") << NetworkProtocol::TCP << true << QByteArray("remote 10.99.0.2 1443 tcp\n")
                                  << QByteArray("verb 3\r\n");
    QTest::newRow("stealth keeps its remote")
        << NetworkProtocol::Stealth << false << QByteArray("remote 127.0.0.1 1194 tcp\n")
        << "verb 3\r\n" + noIpv6;
}

void TestOpenVpnClient::configuration()
{
    QFETCH(NetworkProtocol, protocol);
    QFETCH(bool, ipv6);
    QFETCH(QByteArray, remote);
    QFETCH(QByteArray, options);
    OpenVpnClient client;
    client.setConnectionData(ConnectionData(QStringLiteral("alice"), QStringLiteral("pw"), server, protocol,
                                            protocol == NetworkProtocol::UDP ? 1194 : 1443, false, ipv6));
    QVERIFY(client.updateConfigFile());
    const QByteArray text = readFile(client.configFilePath());

    const QByteArray head = "client\ndev tun\n" + remote
        + "auth-user-pass\nauth-nocache\nnobind\nauth SHA256\ncipher AES-256-GCM\ntls-client\n"
          "tls-cipher TLS-ECDHE-ECDSA-WITH-AES-256-GCM-SHA384\n"
          "remote-cert-eku \"TLS Web Server Authentication\"\npersist-key\npersist-tun\ncompress lz4-v2\n\n";
    QVERIFY2(text.startsWith(head + options + "\n\n<tls-crypt>\n#\n# 2048 bit OpenVPN static key\n#\n"),
             text.constData());
    QVERIFY(text.contains("\n</tls-crypt>\n\n<ca>\n"));
    QVERIFY(text.endsWith("\n\n</ca>\n"));
    // The service refuses management directives in a configuration; the command line carries them.
    QVERIFY(!text.contains("management"));
    QVERIFY(!text.contains('<' + QByteArray("SERVER>")) && !text.contains("<ADDITIONAL_DATA>"));

    // The deployment's certificate authority and key, once the deployment has them.
    const QByteArray ca = readFile(QStringLiteral(VPN_SOURCE_DIR "/deployment/lab/ca.crt")).trimmed();
    if (!ca.isEmpty())
        QVERIFY(text.contains(ca));
    const QByteArray key = readFile(QStringLiteral(VPN_SOURCE_DIR "/deployment/lab/tls-crypt.key"));
    const int begin = key.indexOf("-----BEGIN OpenVPN Static key V1-----");
    if (begin >= 0)
        QVERIFY(text.contains(key.mid(begin).trimmed()));
}

void TestOpenVpnClient::unknownProtocol()
{
    OpenVpnClient client;
    client.setConnectionData(ConnectionData(QStringLiteral("alice"), QStringLiteral("pw"), server,
                                            NetworkProtocol::WireGuard, 55888, true, true));
    QSignalSpy stateSpy(&client, &VpnClient::connectionStateChanged);
    LogCapture log;
    client.startUp();
    QVERIFY(log.contains(QStringLiteral("OpenVpnClient: Unknown protocol")));
    QCOMPARE(stateSpy.count(), 0);
    QVERIFY(!QTest::qWaitFor([this] { return !m_service->frames.isEmpty(); }, 200));
}

void TestOpenVpnClient::odditiesOfTheEngine()
{
    OpenVpnClient *client
        = startedClient(NetworkProtocol::UDP, QStringLiteral("al\nice"), QStringLiteral("p\r\nw"));
    QSignalSpy ipSpy(client, &VpnClient::assignedInternalIp);
    QSignalSpy byteSpy(client, &VpnClient::byteCountChanged);
    QSignalSpy dnsSpy(client, &VpnClient::dnsServerAddressesPushed);
    ScriptedPeer peer;
    QVERIFY(peer.connectTo(client->managementServerPort()));
    LogCapture log;

    // Out of order: the password prompt before the greeting. Credentials
    // never carry a line break into the protocol.
    peer.send(">PASSWORD:Need 'Auth' username/password\r\nSUCCESS: 'Auth' username entered, but not yet "
              "verified\r\n");
    QVERIFY(peer.waitFor(QStringLiteral("username 'Auth' alice")));
    QVERIFY(peer.waitFor(QStringLiteral("password 'Auth' \"pw\"")));

    // Tunnel addresses: unusable ones are skipped, only the first usable one counts.
    peer.send(">STATE:1,ASSIGN_IP,,,,,,,\r\n"
              ">STATE:1,ASSIGN_IP,,not-an-address,,,,,\r\n"
              ">STATE:1,ASSIGN_IP\r\n"
              ">LOG:1,,MANAGEMENT: >STATE:1,ASSIGN_IP,,10.0.0.9,,,,,\r\n"
              ">STATE:1,ASSIGN_IP,,172.16.0.2,,,,,fd00::2\r\n"
              ">STATE:2,ASSIGN_IP,,172.16.0.3,,,,,\r\n");
    // Counters: malformed ones read as 0; blank lines in between change nothing.
    peer.send(">BYTECOUNT:1024,2048\r\n\r\n   \r\n>BYTECOUNT:abc\r\n>BYTECOUNT:5\r\n");
    // A push reply without DNS servers, and a truncated one.
    peer.send(">LOG:1,,PUSH: Received control message: 'PUSH_REPLY,ping 10'\r\n"
              ">LOG:1,,PUSH: Received control message: 'PUSH_REPLY,dhcp-option DNS 10.1.0.1,dhcp-opt\r\n");
    // An overlong line, then a line cut off by the end of the connection.
    peer.send(QByteArray(TcpServer::maxLineLength + 10, 'x') + "\r\n>BYTECOUNT:7,7\r\n>STATE:3,CONNEC");
    QTRY_COMPARE(byteSpy.count(), 4);
    peer.socket.disconnectFromHost();

    QCOMPARE(joined(ipSpy), QStringList({"172.16.0.2"}));
    QCOMPARE(joined(byteSpy), QStringList({"1024|2048", "0|0", "5|0", "7|7"}));
    QCOMPARE(joined(dnsSpy), QStringList({"10.1.0.1|"}));
    QCOMPARE(client->internalIp(), QStringLiteral("172.16.0.2"));
    QCOMPARE(client->connectionStateId(), ConnectionState::Id::Connecting);
    QVERIFY(!log.contains(QStringLiteral(">BYTECOUNT")));
    QVERIFY(log.contains(QStringLiteral("OpenVpnClient: Cannot parse ASSIGN_IP line")));
    QVERIFY(!log.contains(QStringLiteral("\"pw\"")));
    QCOMPARE(peer.unexpected, QStringList());
    delete client;
}

void TestOpenVpnClient::peerThatClosesEarly()
{
    OpenVpnClient *client = startedClient(NetworkProtocol::UDP);
    QSignalSpy stateSpy(client, &VpnClient::connectionStateChanged);
    {
        ScriptedPeer peer;
        QVERIFY(peer.connectTo(client->managementServerPort()));
        peer.send(">INFO:OpenVPN Management Interface Version 5 -- type 'help' for more info\r\n");
        QVERIFY(peer.waitFor(QStringLiteral("log on")));
    }
    // The engine is gone; only the service's report ends the attempt.
    QVERIFY(!QTest::qWaitFor([&] { return stateSpy.count() > 0; }, 200));
    report(QStringLiteral("finished:4242,1,openvpn"));
    QTRY_COMPARE(::states(stateSpy), QStringList({"Disconnected|CrashExit|", "Reconnecting||critical"}));
    delete client;
}

void TestOpenVpnClient::foreignPeerGetsNothing()
{
    if (geteuid() != 0)
        QSKIP("a peer of another user needs root to switch to the user nobody");
    auto *client = new OpenVpnClient(this);
    client->setConnectionData(ConnectionData(QStringLiteral("alice"), QStringLiteral("s3cret pass"), server,
                                             NetworkProtocol::UDP, 1194, true, true));
    client->setManagementPort(0);
    client->startUp();

    // Another local user plays OpenVPN and asks for the credentials.
    QProcess stranger;
    const QString script
        = QStringLiteral("exec 3<>/dev/tcp/127.0.0.1/%1 || exit 3; "
                         "printf '>INFO:OpenVPN Management Interface Version 5\\r\\n"
                         ">PASSWORD:Need '\\''Auth'\\'' username/password\\r\\n' >&3; cat <&3")
              .arg(client->managementServerPort());
    stranger.start(QStringLiteral("setpriv"),
                   {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "bash", "-c", script});
    QTRY_COMPARE_WITH_TIMEOUT(stranger.state(), QProcess::NotRunning, 10000);
    QVERIFY2(stranger.exitCode() != 3, "the stranger could not connect");
    QCOMPARE(stranger.readAllStandardOutput(), QByteArray());

    // Another user's engine is root as well, but not the process the service
    // reported to this client: it gets the question and nothing else.
    report(QStringLiteral("started:%1,0,openvpn").arg(EnginePeer::defaultPid));
    ScriptedPeer otherEngine;
    otherEngine.pid = 999;
    QVERIFY(otherEngine.connectTo(client->managementServerPort()));
    otherEngine.send(">PASSWORD:Need 'Auth' username/password\r\n");
    QTRY_COMPARE(otherEngine.socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(otherEngine.lines, QStringList());

    // OpenVPN itself, the reported process, is still served.
    ScriptedPeer engine;
    QVERIFY(engine.connectTo(client->managementServerPort()));
    engine.send(">PASSWORD:Need 'Auth' username/password\r\n");
    QVERIFY(engine.waitFor(QStringLiteral("username 'Auth' alice")));
    delete client;
}

QTEST_GUILESS_MAIN(TestOpenVpnClient)
#include "test_openvpnclient.moc"
