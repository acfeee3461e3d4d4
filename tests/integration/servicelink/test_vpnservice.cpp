#include "servicecontroller.h"
#include "serviceprocess.h"
#include "vpnprocess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWebSocket>
#include <QtTest>

#include <memory>
#include <vector>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The test's programs at the allow-listed places beside a copy of the service:
// "dns reset" prints and exits with 3, "dns user" and "killswitch enable ..."
// run until they are ended, "openvpn" writes its arguments (to its log file)
// and runs on when its configuration has a "verb 5" line. An engine starts
// only while its client listens on the engine's port, as the client does.
const QByteArray dnsScript = "#!/bin/sh\n"
                             "case \"$1\" in\n"
                             "reset) echo reset done; exit 3 ;;\n"
                             "user) exec sleep 60 ;;\n"
                             "*) exit 0 ;;\n"
                             "esac\n";
const QByteArray killSwitchScript = "#!/bin/sh\n[ \"$1\" = enable ] && exec sleep 60\nexit 0\n";
const QByteArray openVpnScript
    = "#!/bin/sh\necho \"$@\"\ngrep -q '^verb 5' \"$2\" && exec sleep 60\nexit 0\n";
const QByteArray minimalConfig = "client\ndev tun\nremote 198.51.100.7 1194 udp\n";

quint16 freePort()
{
    QTcpServer server;
    if (server.listen(QHostAddress::LocalHost, 6457))
        return 6457;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

bool running(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

// A raw client of the service that keeps every frame it receives.
class Client
{
public:
    explicit Client(const QString &origin = QString()) : socket(origin)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived,
                         [this](const QString &text) { frames << text; });
    }

    // True when the handshake succeeded, false as soon as it failed.
    bool open(quint16 port)
    {
        QSignalSpy connected(&socket, &QWebSocket::connected);
        QSignalSpy failed(&socket, &QWebSocket::disconnected);
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(port)));
        QElapsedTimer elapsed;
        elapsed.start();
        while (connected.isEmpty() && failed.isEmpty() && elapsed.elapsed() < 5000)
            QTest::qWait(10);
        return !connected.isEmpty();
    }

    void send(const QString &text) { socket.sendTextMessage(text); }

    // The first frame received that matches the pattern, waiting for it.
    QString waitFor(const QString &pattern, int timeout = 10000)
    {
        const QRegularExpression expression(QStringLiteral("^") + pattern + QStringLiteral("\n$"));
        QElapsedTimer elapsed;
        elapsed.start();
        do {
            for (const QString &frame : qAsConst(frames)) {
                if (expression.match(frame).hasMatch())
                    return frame.trimmed();
            }
            QTest::qWait(20);
        } while (elapsed.elapsed() < timeout);
        return QString();
    }

    QWebSocket socket;
    QStringList frames;
};

// The process id of a report.
qint64 pidOf(const QString &report)
{
    return report.section(QLatin1Char(':'), 1).section(QLatin1Char(','), 0, 0).toLongLong();
}
} // namespace

class TestVpnService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void startAndFinishReports();
    void killAndStop();
    void severalProgramsAndInit();
    void refusals_data();
    void refusals();
    void openVpnRunsWithScriptsOff();
    void refusesOriginHeader();
    void survivesMalformedFrames();
    void clientsPerUserAreBounded();
    void clientLeavingMidCommand();
    void reportsKeptForTheNextClient();
    void clientClassesAgainstTheService();
    void realOpenVpn();
    void quittingEndsPrograms();

private:
    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    QString serviceLog() const;
    // Clients the service counts as connected, by its log.
    int connectedClients() const;
    void writeFile(const QString &relative, const QByteArray &content, int mode);

    QScopedPointer<QTemporaryDir> m_dir;
    QProcess m_service;
    quint16 m_port = 0;
};

void TestVpnService::writeFile(const QString &relative, const QByteArray &content, int mode)
{
    QDir().mkpath(QFileInfo(path(relative)).path());
    QFile file(path(relative));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    QVERIFY(::chmod(QFile::encodeName(file.fileName()).constData(), mode) == 0);
}

QString TestVpnService::serviceLog() const
{
    QFile file(path(QStringLiteral("service.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int TestVpnService::connectedClients() const
{
    const QString log = serviceLog();
    return log.count(QStringLiteral("Client connected")) - log.count(QStringLiteral("Client disconnected"));
}

void TestVpnService::initTestCase()
{
    if (::geteuid() != 0)
        QSKIP("The vpn-service runs as root");
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    QFile service(QStringLiteral(VPN_APP_DIR "/vpn-service"));
    QVERIFY(service.copy(path(QStringLiteral("vpn-service"))));
    QVERIFY(::chmod(QFile::encodeName(path(QStringLiteral("vpn-service"))).constData(), 0755) == 0);
    writeFile(QStringLiteral("dns"), dnsScript, 0755);
    writeFile(QStringLiteral("killswitch"), killSwitchScript, 0755);
    writeFile(QStringLiteral("openvpn/bin/openvpn"), openVpnScript, 0755);

    m_port = freePort();
    m_service.setProcessChannelMode(QProcess::ForwardedChannels);
    m_service.start(path(QStringLiteral("vpn-service")),
                    {QStringLiteral("--port"), QString::number(m_port), QStringLiteral("--log"),
                     path(QStringLiteral("service.log"))});
    QVERIFY(m_service.waitForStarted());
    QTRY_VERIFY(serviceLog().contains(QStringLiteral("Listening on 127.0.0.1:%1").arg(m_port)));
}

void TestVpnService::cleanupTestCase()
{
    // Asked to quit, the service ends what it still runs.
    if (m_service.state() != QProcess::NotRunning) {
        m_service.terminate();
        if (!m_service.waitForFinished(10000)) {
            m_service.kill();
            m_service.waitForFinished();
        }
    }
}

void TestVpnService::startAndFinishReports()
{
    Client client;
    QVERIFY(client.open(m_port));
    client.send(QStringLiteral("init: connection"));
    client.send(ServiceProcess::startCommand({path("dns"), "reset"}));
    const QString started = client.waitFor(QStringLiteral("started:\\d+,0,dns"));
    QVERIFY(!started.isEmpty());
    const qint64 pid = pidOf(started);
    QVERIFY(pid > 0);
    QCOMPARE(client.waitFor(QStringLiteral("finished:%1,3,dns").arg(pid)),
             QStringLiteral("finished:%1,3,dns").arg(pid));
    // Output is plain text that no client takes for a report, after the start.
    QVERIFY(client.frames.indexOf(QStringLiteral("dns: reset done\n"))
            > client.frames.indexOf(started + '\n'));
    for (const QString &frame : qAsConst(client.frames))
        QVERIFY(frame.endsWith(QLatin1Char('\n')) && frame.count(QLatin1Char('\n')) == 1);
}

void TestVpnService::killAndStop()
{
    Client client;
    QVERIFY(client.open(m_port));
    client.send(QStringLiteral("init: connection"));

    client.send(ServiceProcess::startCommand({path("dns"), "user", "eth0@192.168.1.1"}));
    qint64 pid = pidOf(client.waitFor(QStringLiteral("started:\\d+,0,dns")));
    QVERIFY(running(pid));
    client.send(QStringLiteral("start: <kill dns>"));
    QVERIFY(!client.waitFor(QStringLiteral("finished:%1,143,dns").arg(pid)).isEmpty());
    QTRY_VERIFY(!running(pid));

    client.frames.clear();
    client.send(ServiceProcess::startCommand({path("killswitch"), "enable", "all", "198.51.100.7", ""}));
    pid = pidOf(client.waitFor(QStringLiteral("started:\\d+,0,killswitch")));
    client.send(QStringLiteral("stop: <killswitch>"));
    QVERIFY(!client.waitFor(QStringLiteral("finished:%1,143,killswitch").arg(pid)).isEmpty());

    // Ending what does not run is no error and reports nothing.
    client.frames.clear();
    client.send(QStringLiteral("start: <kill openvpn>"));
    client.send(ServiceProcess::startCommand({path("killswitch"), "disable", "all"}));
    QVERIFY(!client.waitFor(QStringLiteral("finished:\\d+,0,killswitch")).isEmpty());
    QCOMPARE(client.frames.filter(QStringLiteral("openvpn")).size(), 0);
}

void TestVpnService::severalProgramsAndInit()
{
    writeFile(QStringLiteral("stay.ovpn"), minimalConfig + "verb 5\n", 0600);
    writeFile(QStringLiteral("openvpn.log"), QByteArray(), 0600);
    QTcpServer management;
    QVERIFY(management.listen(QHostAddress::LocalHost, 61973));
    Client first;
    QVERIFY(first.open(m_port));
    first.send(QStringLiteral("init: connection"));
    first.send(ServiceProcess::startCommand(
        {path("openvpn/bin/openvpn"), "--config", path("stay.ovpn"), "--management", "127.0.0.1", "61973",
         "--management-query-passwords", "--management-client", "--log-append", path("openvpn.log")}));
    first.send(ServiceProcess::startCommand({path("killswitch"), "enable", "all", "198.51.100.7", "local"}));
    const qint64 engine = pidOf(first.waitFor(QStringLiteral("started:\\d+,0,openvpn")));
    const qint64 tool = pidOf(first.waitFor(QStringLiteral("started:\\d+,0,killswitch")));
    QVERIFY(running(engine) && running(tool));

    // A client starting afresh ends the engine an earlier one left running;
    // both hear of it. A tool at work is left to finish.
    Client second;
    QVERIFY(second.open(m_port));
    second.send(QStringLiteral("init: connection"));
    for (Client *client : {&first, &second})
        QVERIFY(!client->waitFor(QStringLiteral("finished:%1,143,openvpn").arg(engine)).isEmpty());
    QVERIFY(!running(engine));
    QVERIFY(running(tool));
    second.send(QStringLiteral("start: <kill killswitch>"));
    QVERIFY(!second.waitFor(QStringLiteral("finished:%1,143,killswitch").arg(tool)).isEmpty());
}

void TestVpnService::refusals_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("reason");

    const QString marker = QStringLiteral("/tmp/vpn-service-test-must-not-exist");
    QTest::newRow("shell") << QStringList {"/bin/sh", "-c", "touch " + marker} << "started:0,1,sh"
                           << "Refused to start 'sh' for user 0: program is not allowed";
    QTest::newRow("path leaving the directory")
        << QStringList {path("../../bin/sh"), "-c", "touch " + marker} << "started:0,1,sh"
        << "program is not allowed";
    QTest::newRow("tool with foreign arguments")
        << QStringList {path("dns"), "-c", "touch " + marker} << "started:0,1,dns"
        << "arguments are not allowed for dns";
    QTest::newRow("program missing") << QStringList {path("wireguard/bin/wireguard-service"), "--add",
                                                     path("wg0.conf"), "--port", "61976"}
                                     << "started:0,1,wireguard-service"
                                     << "does not exist";
}

void TestVpnService::refusals()
{
    QFETCH(QStringList, words);
    QFETCH(QString, report);
    QFETCH(QString, reason);
    Client client;
    QVERIFY(client.open(m_port));
    client.send(ServiceProcess::startCommand(words));
    QCOMPARE(client.waitFor(report), report);
    QTRY_VERIFY(serviceLog().contains(reason));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/vpn-service-test-must-not-exist")));
}

void TestVpnService::openVpnRunsWithScriptsOff()
{
    writeFile(QStringLiteral("client.ovpn"), minimalConfig, 0600);
    writeFile(QStringLiteral("hook.ovpn"), "client\nscript-security 2\nup /bin/sh\n", 0600);
    writeFile(QStringLiteral("openvpn.log"), QByteArray(), 0600);
    const auto command = [this](const QString &config) {
        return ServiceProcess::startCommand(
            {path("openvpn/bin/openvpn"), "--config", path(config), "--management", "127.0.0.1", "61973",
             "--management-query-passwords", "--management-client", "--log-append", path("openvpn.log")});
    };
    Client client;
    QVERIFY(client.open(m_port));
    // Without its client's management listener the engine is not started.
    client.send(command(QStringLiteral("client.ovpn")));
    QCOMPARE(client.waitFor(QStringLiteral("started:0,1,openvpn")), QStringLiteral("started:0,1,openvpn"));
    QTRY_VERIFY(serviceLog().contains(QStringLiteral("nobody listens on port 61973")));

    QTcpServer management;
    QVERIFY(management.listen(QHostAddress::LocalHost, 61973));
    client.send(command(QStringLiteral("hook.ovpn")));
    QCOMPARE(client.waitFor(QStringLiteral("started:0,1,openvpn")), QStringLiteral("started:0,1,openvpn"));
    QTRY_VERIFY(serviceLog().contains(QStringLiteral(
        "Refused to start 'openvpn' for user 0: line 2: directive 'script-security' is not allowed")));

    client.send(command(QStringLiteral("client.ovpn")));
    const qint64 pid = pidOf(client.waitFor(QStringLiteral("started:\\d+,0,openvpn")));
    QVERIFY(!client.waitFor(QStringLiteral("finished:%1,0,openvpn").arg(pid)).isEmpty());
    QFile log(path(QStringLiteral("openvpn.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(log.readAll()).trimmed();
    QVERIFY2(line.startsWith(QStringLiteral("--config /"))
                 && line.endsWith(QStringLiteral("--script-security 1")),
             qPrintable(line));
    QVERIFY(!line.contains(path(QStringLiteral("client.ovpn"))));
}

void TestVpnService::refusesOriginHeader()
{
    Client page(QStringLiteral("http://example.com"));
    QVERIFY(!page.open(m_port));
    QTRY_VERIFY(serviceLog().contains(
        QStringLiteral("Refused a handshake with the Origin header 'http://example.com'")));
    Client client;
    QVERIFY(client.open(m_port));
}

void TestVpnService::survivesMalformedFrames()
{
    Client client;
    QVERIFY(client.open(m_port));
    QRandomGenerator random(4711);
    const QStringList forms
        = {QStringLiteral("start:"), QStringLiteral("start: <kill"), QStringLiteral("stop: "),
           QStringLiteral("init: "), QStringLiteral("start: \""),    QStringLiteral("exec: ")};
    int errors = 0;
    for (int i = 0; i < 1000; ++i) {
        QByteArray noise(random.bounded(1, 200), Qt::Uninitialized);
        for (char &c : noise)
            c = static_cast<char>(random.bounded(1, 256));
        if (i % 10 == 0) {
            client.socket.sendBinaryMessage(noise);
            ++errors;
        } else {
            const QString text = forms.at(i % forms.size()) + QString::fromLatin1(noise);
            client.send(text);
            // Refused starts are answered by a report, everything else by an error.
            ++errors;
        }
    }
    QTRY_VERIFY_WITH_TIMEOUT(client.frames.size() >= errors, 30000);
    QVERIFY(client.frames.filter(QRegularExpression(QStringLiteral("^(error: |started:0,1,)"))).size()
            == errors);
    QVERIFY(client.frames.filter(QRegularExpression(QStringLiteral("^finished:"))).isEmpty());

    // An oversized frame costs that client its connection, nobody else anything.
    Client other;
    QVERIFY(other.open(m_port));
    QSignalSpy closed(&client.socket, &QWebSocket::disconnected);
    client.send(QString(1024 * 1024, QLatin1Char('x')));
    QVERIFY(closed.wait(10000));
    QCOMPARE(m_service.state(), QProcess::Running);
    other.send(ServiceProcess::startCommand({path("dns"), "reset"}));
    QVERIFY(!other.waitFor(QStringLiteral("finished:\\d+,3,dns")).isEmpty());
}

void TestVpnService::clientsPerUserAreBounded()
{
    QTRY_COMPARE(connectedClients(), 0);
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 4; ++i) {
        clients.push_back(std::make_unique<Client>());
        QVERIFY(clients.back()->open(m_port));
    }
    // The fifth is refused before its handshake.
    Client extra;
    QVERIFY(!extra.open(m_port));
    QTRY_VERIFY(serviceLog().contains(QStringLiteral("too many clients")));

    clients.pop_back();
    QTRY_COMPARE(connectedClients(), 3);
    Client again;
    QVERIFY(again.open(m_port));
    again.send(ServiceProcess::startCommand({path("dns"), "reset"}));
    QVERIFY(!again.waitFor(QStringLiteral("finished:\\d+,3,dns")).isEmpty());
    // The next test starts with no client of this one left.
    clients.clear();
    again.socket.close();
    QTRY_COMPARE(connectedClients(), 0);
}

void TestVpnService::clientLeavingMidCommand()
{
    {
        Client leaving;
        QVERIFY(leaving.open(m_port));
        leaving.send(QStringLiteral("init: connection"));
        leaving.send(ServiceProcess::startCommand({path("dns"), "user"}));
        leaving.socket.flush();
        leaving.socket.abort();
    }
    // The program runs on; the next client learns of its end.
    Client next;
    QVERIFY(next.open(m_port));
    QTRY_VERIFY(serviceLog().contains(QStringLiteral("Client disconnected")));
    QTRY_VERIFY(serviceLog().contains(QStringLiteral("Started dns")));
    next.send(QStringLiteral("start: <kill dns>"));
    const QString finished = next.waitFor(QStringLiteral("finished:\\d+,143,dns"));
    QVERIFY(!finished.isEmpty());
    QVERIFY(!running(pidOf(finished)));
}

void TestVpnService::reportsKeptForTheNextClient()
{
    const auto startAndLeave = [this]() -> qint64 {
        Client leaving;
        if (!leaving.open(m_port))
            return 0;
        leaving.send(ServiceProcess::startCommand({path("dns"), "user"}));
        return pidOf(leaving.waitFor(QStringLiteral("started:\\d+,0,dns")));
    };

    // The program ends while no client is there: the next one hears of it.
    qint64 pid = startAndLeave();
    QVERIFY(pid > 0);
    QTRY_COMPARE(connectedClients(), 0);
    QVERIFY(::kill(static_cast<pid_t>(pid), SIGTERM) == 0);
    QTRY_VERIFY(serviceLog().contains(QStringLiteral("Finished dns, process %1").arg(pid)));
    Client next;
    QVERIFY(next.open(m_port));
    QVERIFY(!next.waitFor(QStringLiteral("finished:%1,143,dns").arg(pid)).isEmpty());

    // A client starting afresh does not get an earlier client's reports.
    next.socket.close();
    pid = startAndLeave();
    QVERIFY(pid > 0);
    QTRY_COMPARE(connectedClients(), 0);
    QVERIFY(::kill(static_cast<pid_t>(pid), SIGTERM) == 0);
    QTRY_VERIFY(serviceLog().contains(QStringLiteral("Finished dns, process %1").arg(pid)));
    Client fresh;
    QVERIFY(fresh.open(m_port));
    fresh.send(QStringLiteral("init: connection"));
    QTRY_VERIFY(serviceLog().contains(QStringLiteral("Dropped 1 report(s) of an earlier client")));
    QVERIFY(fresh.waitFor(QStringLiteral("finished:.*"), 500).isEmpty());
}

void TestVpnService::clientClassesAgainstTheService()
{
    ServiceController controller(true, nullptr, m_port, 500);
    ServiceProcess dns(QStringLiteral("dns"));
    VpnProcess engine(QStringLiteral("killswitch"));
    QSignalSpy dnsStarted(&dns, &ServiceProcess::started);
    QSignalSpy dnsFinished(&dns, &ServiceProcess::finished);
    QSignalSpy engineStarted(&engine, &ServiceProcess::started);
    QSignalSpy engineFinished(&engine, &ServiceProcess::finished);
    QSignalSpy engineError(&engine, &ServiceProcess::error);

    // Given before the link is up: sent after "init: connection".
    dns.start(QStringList {path("dns"), QStringLiteral("reset")});
    QVERIFY(dnsFinished.wait(10000));
    QCOMPARE(dnsStarted.count(), 1);
    QCOMPARE(dnsFinished.first().first().toInt(), 3);
    QCOMPARE(dns.state(), ServiceProcess::NotRunning);

    engine.start(QStringList {path("killswitch"), QStringLiteral("enable"), QStringLiteral("all"),
                              QStringLiteral("198.51.100.7"), QString()});
    QVERIFY(engineStarted.wait(10000));
    QCOMPARE(engine.state(), ServiceProcess::Running);
    engine.kill();
    QVERIFY(engineFinished.wait(10000));
    QCOMPARE(engineFinished.first().first().toInt(), 143);

    engine.start(QStringList {path("killswitch"), QStringLiteral("enable"), QStringLiteral("all"),
                              QStringLiteral("not-an-address"), QString()});
    QVERIFY(engineError.wait(10000));
    QCOMPARE(engineError.first().first().toInt(), 1);
    QCOMPARE(engine.state(), ServiceProcess::NotRunning);
}

void TestVpnService::realOpenVpn()
{
    // The system's OpenVPN, linked in as the install tree does, reaching the
    // management server that the client would run. It waits there for the
    // credentials, before it opens a tunnel or touches a route, and ends on
    // "signal SIGTERM". Only loopback traffic.
    QTcpServer management;
    if (!management.listen(QHostAddress::LocalHost, 61973))
        QSKIP("The OpenVPN management port 61973 is in use");
    const QString openVpn
        = QStandardPaths::findExecutable(QStringLiteral("openvpn"), {"/usr/sbin", "/usr/bin"});
    QVERIFY(!openVpn.isEmpty());
    QVERIFY(QFile::remove(path("openvpn/bin/openvpn")));
    QVERIFY(QFile::link(openVpn, path("openvpn/bin/openvpn")));

    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                   "-keyout", path("ca.key"), "-out", path("ca.crt"), "-days", "1", "-subj",
                   "/CN=vpn-service test"});
    QVERIFY(openssl.waitForFinished(30000) && openssl.exitCode() == 0);
    QFile ca(path("ca.crt"));
    QVERIFY(ca.open(QIODevice::ReadOnly));
    writeFile(QStringLiteral("real.ovpn"),
              "client\ndev tun\nremote 127.0.0.1 1194 udp\nnobind\nauth-user-pass\nverb 3\n<ca>\n"
                  + ca.readAll() + "</ca>\n",
              0600);
    writeFile(QStringLiteral("real.log"), QByteArray(), 0600);

    Client client;
    QVERIFY(client.open(m_port));
    client.send(ServiceProcess::startCommand(
        {path("openvpn/bin/openvpn"), "--config", path("real.ovpn"), "--management", "127.0.0.1", "61973",
         "--management-query-passwords", "--management-client", "--log-append", path("real.log")}));
    const QString started = client.waitFor(QStringLiteral("started:\\d+,0,openvpn"));
    QVERIFY(!started.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(management.hasPendingConnections(), 30000);
    QTcpSocket *socket = management.nextPendingConnection();
    QByteArray dialog;
    QTRY_VERIFY_WITH_TIMEOUT(
        (dialog += socket->readAll()).contains(">PASSWORD:Need 'Auth' username/password"), 30000);
    QVERIFY(dialog.contains(">INFO:OpenVPN Management Interface Version"));
    socket->write("signal SIGTERM\n");
    // Ended while it waits for the credentials, OpenVPN reports a fatal error.
    const QString finished = QStringLiteral("finished:%1,1,openvpn").arg(pidOf(started));
    QCOMPARE(client.waitFor(finished, 30000), finished);

    QFile log(path("real.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY2(text.contains("OpenVPN 2.") && text.contains("MANAGEMENT: CMD 'signal SIGTERM'"),
             text.constData());
    QVERIFY(!text.contains("Options error"));
}

void TestVpnService::quittingEndsPrograms()
{
    Client client;
    QVERIFY(client.open(m_port));
    client.send(ServiceProcess::startCommand({path("dns"), "user"}));
    const qint64 pid = pidOf(client.waitFor(QStringLiteral("started:\\d+,0,dns")));
    QVERIFY(running(pid));
    m_service.terminate();
    QVERIFY(m_service.waitForFinished(10000));
    QCOMPARE(m_service.exitCode(), 0);
    QVERIFY(!running(pid));
    QVERIFY(serviceLog().contains(QStringLiteral("Finished dns, process %1, exit code 143").arg(pid)));
}

QTEST_GUILESS_MAIN(TestVpnService)
#include "test_vpnservice.moc"
