#include "tcpserver.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include <unistd.h>

namespace {
const QString loopback = QStringLiteral("127.0.0.1");

// Reads every whole line the server has, as the engine clients do.
QStringList readLines(TcpServer &server)
{
    QStringList lines;
    for (QString line = server.readLine(); !line.isEmpty(); line = server.readLine())
        lines << line;
    return lines;
}
constexpr qint64 enginePid = 4242;

// Answers the server's question as an engine does: "pid" with "SUCCESS: pid=N".
bool prove(QTcpSocket &peer, qint64 pid = enginePid)
{
    if (!QTest::qWaitFor([&] { return peer.bytesAvailable() >= 4; }, 5000) || peer.read(4) != "pid\n")
        return false;
    peer.write("SUCCESS: pid=" + QByteArray::number(pid) + "\r\n");
    return peer.flush();
}

// The server started for this user's peers, with the peer connected and served.
bool serve(TcpServer &server, QTcpSocket &peer)
{
    server.setAllowedPeerUid(geteuid());
    if (!server.start(loopback, 0))
        return false;
    server.setExpectedPeerProcess(enginePid);
    peer.connectToHost(loopback, server.serverPort());
    return peer.waitForConnected(5000) && prove(peer)
        && QTest::qWaitFor([&] { return server.isOpen(); }, 5000);
}
} // namespace

class TestTcpServer : public QObject
{
    Q_OBJECT

private slots:
    void onePeerPerStart();
    void linesInOddChunks();
    void overlongLineIsDropped();
    void peerThatClosesEarly();
    void onlyTheReportedEngineIsServed();
    void linesBeforeTheProofAreKept();
    void peerOfAnotherUserIsRefused();
    void foreignProcessGetsNothing();
    void portInUse();
};

void TestTcpServer::onePeerPerStart()
{
    TcpServer server;
    server.setAllowedPeerUid(geteuid());
    QSignalSpy started(&server, &TcpServer::serverStarted);
    QVERIFY(server.start(loopback, 0));
    QCOMPARE(started.count(), 1);
    QVERIFY(!server.isOpen());
    QCOMPARE(server.write("nobody listens\n"), qint64(0));

    QTcpSocket peer;
    peer.connectToHost(loopback, server.serverPort());
    QVERIFY(peer.waitForConnected(5000));
    QVERIFY(prove(peer));
    // Not served before the service has said which process the engine is.
    QTest::qWait(100);
    QVERIFY(!server.isOpen());
    server.setExpectedPeerProcess(enginePid);
    QTRY_VERIFY(server.isOpen());
    QVERIFY(server.socket());

    QCOMPARE(server.write("state on\n"), qint64(9));
    QTRY_COMPARE(peer.bytesAvailable(), qint64(9));
    QCOMPARE(peer.readAll(), QByteArray("state on\n"));

    // The listening socket is closed once the peer is served.
    QTcpSocket second;
    second.connectToHost(loopback, server.serverPort());
    QVERIFY(!second.waitForConnected(2000));
}

void TestTcpServer::linesInOddChunks()
{
    TcpServer server;
    QTcpSocket peer;
    QVERIFY(serve(server, peer));
    QSignalSpy readyRead(&server, &TcpServer::readyRead);

    QStringList lines;
    const QList<QByteArray> chunks
        = {">STATE:1,CONN", "ECTED,SUCCESS\r\n>BYTE", "COUNT:1,2\r\n", "\r\n\n", QByteArray("a\0b\n", 4)};
    for (const QByteArray &chunk : chunks) {
        const int before = readyRead.count();
        peer.write(chunk);
        peer.flush();
        QTRY_VERIFY(readyRead.count() > before);
        lines << readLines(server);
    }
    QCOMPARE(lines, QStringList({">STATE:1,CONNECTED,SUCCESS\r\n", ">BYTECOUNT:1,2\r\n", "\r\n", "\n", "a"}));
}

void TestTcpServer::overlongLineIsDropped()
{
    TcpServer server;
    QTcpSocket peer;
    QVERIFY(serve(server, peer));

    QStringList lines;
    connect(&server, &TcpServer::readyRead, this, [&] { lines << readLines(server); });
    QTest::ignoreMessage(QtWarningMsg, "TcpServer: Line too long, dropped");
    peer.write(QByteArray(3 * TcpServer::maxLineLength, 'x'));
    peer.write("tail of the long line\nnext\n");
    QTRY_COMPARE(lines, QStringList({"next\n"}));
    QVERIFY(server.socket()->bytesAvailable() == 0);
}

void TestTcpServer::peerThatClosesEarly()
{
    TcpServer server;
    server.setAllowedPeerUid(geteuid());
    QSignalSpy errors(&server, &TcpServer::socketError);
    QVERIFY(server.start(loopback, 0));
    server.setExpectedPeerProcess(enginePid);
    auto *peer = new QTcpSocket(this);
    peer->connectToHost(loopback, server.serverPort());
    QVERIFY(peer->waitForConnected(5000));
    QVERIFY(prove(*peer));
    QTRY_VERIFY(server.isOpen());
    peer->write("partial line without end");
    peer->flush();
    delete peer;

    QTRY_COMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).value<QAbstractSocket::SocketError>(),
             QAbstractSocket::RemoteHostClosedError);
    QVERIFY(!server.isOpen());
    QCOMPARE(server.write("x\n"), qint64(0));
    QTest::ignoreMessage(QtWarningMsg, "TcpServer: Socket is not opened");
    QCOMPARE(server.readLine(), QString());
}

void TestTcpServer::peerOfAnotherUserIsRefused()
{
    TcpServer server;
    server.setAllowedPeerUid(geteuid() + 4242);
    QVERIFY(server.start(loopback, 0));

    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression("^TcpServer: Refused connection from 127.0.0.1:\\d+ of user \\d+$"));
    QTcpSocket stranger;
    stranger.connectToHost(loopback, server.serverPort());
    QVERIFY(stranger.waitForConnected(5000));
    QTRY_COMPARE(stranger.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(stranger.readAll(), QByteArray());
    QVERIFY(!server.isOpen());

    // The server keeps waiting for its engine.
    server.setAllowedPeerUid(geteuid());
    server.setExpectedPeerProcess(enginePid);
    QTcpSocket engine;
    engine.connectToHost(loopback, server.serverPort());
    QVERIFY(engine.waitForConnected(5000));
    QVERIFY(prove(engine));
    QTRY_VERIFY(server.isOpen());
}

void TestTcpServer::onlyTheReportedEngineIsServed()
{
    // Every engine is root: another user's engine passes the owner check and
    // must still get nothing but the question.
    TcpServer server;
    server.setAllowedPeerUid(geteuid());
    QVERIFY(server.start(loopback, 0));
    server.setExpectedPeerProcess(enginePid);
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression("^TcpServer: Refused connection from port \\d+: it is process 999, "
                           "not the engine 4242$"));
    QTcpSocket other;
    other.connectToHost(loopback, server.serverPort());
    QVERIFY(other.waitForConnected(5000));
    QVERIFY(prove(other, 999));
    QTRY_COMPARE(other.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(other.readAll(), QByteArray());
    QVERIFY(!server.isOpen());

    // A peer that answers something else, or leaves, is dropped too.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not a process id$"));
    QTcpSocket liar;
    liar.connectToHost(loopback, server.serverPort());
    QVERIFY(liar.waitForConnected(5000));
    QTRY_VERIFY(liar.bytesAvailable() >= 4);
    liar.write("SUCCESS: pid=4242x\n");
    QTRY_COMPARE(liar.state(), QAbstractSocket::UnconnectedState);

    QTcpSocket engine;
    engine.connectToHost(loopback, server.serverPort());
    QVERIFY(engine.waitForConnected(5000));
    QVERIFY(prove(engine));
    QTRY_VERIFY(server.isOpen());
    QCOMPARE(server.write("state on\n"), qint64(9));
    QTRY_COMPARE(engine.bytesAvailable(), qint64(9));
    QCOMPARE(engine.readAll(), QByteArray("state on\n"));
}

void TestTcpServer::linesBeforeTheProofAreKept()
{
    TcpServer server;
    server.setAllowedPeerUid(geteuid());
    QVERIFY(server.start(loopback, 0));
    QTcpSocket engine;
    engine.connectToHost(loopback, server.serverPort());
    QVERIFY(engine.waitForConnected(5000));
    // OpenVPN greets and asks for credentials before it answers.
    engine.write(
        ">INFO:OpenVPN Management Interface Version 5\r\n>PASSWORD:Need 'Auth' username/password\r\n");
    QVERIFY(prove(engine));
    engine.write(">STATE:1,WAIT\r\n");
    engine.flush();
    QSignalSpy readyRead(&server, &TcpServer::readyRead);
    QTest::qWait(100);
    QVERIFY(!server.isOpen());
    // The service's report arrives last.
    server.setExpectedPeerProcess(enginePid);
    QTRY_VERIFY(!readyRead.isEmpty());
    QStringList lines;
    QTRY_VERIFY((lines << readLines(server)).size() == 3);
    QCOMPARE(lines,
             QStringList({">INFO:OpenVPN Management Interface Version 5\r\n",
                          ">PASSWORD:Need 'Auth' username/password\r\n", ">STATE:1,WAIT\r\n"}));
}

void TestTcpServer::foreignProcessGetsNothing()
{
    // A real process of another user: "nobody" through setpriv, which needs root.
    if (geteuid() != 0)
        QSKIP("switching to the user nobody needs root");
    TcpServer server;
    QCOMPARE(server.allowedPeerUid(), 0u);
    QVERIFY(server.start(loopback, 0));

    QProcess stranger;
    const QString script
        = QStringLiteral("exec 3<>/dev/tcp/127.0.0.1/%1 || exit 3; cat <&3").arg(server.serverPort());
    stranger.start(QStringLiteral("setpriv"),
                   {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "bash", "-c", script});
    QTRY_COMPARE_WITH_TIMEOUT(stranger.state(), QProcess::NotRunning, 10000);
    QCOMPARE(stranger.exitCode(), 0);
    QCOMPARE(stranger.readAllStandardOutput(), QByteArray());
    QVERIFY(!server.isOpen());

    server.setExpectedPeerProcess(enginePid);
    QTcpSocket root;
    root.connectToHost(loopback, server.serverPort());
    QVERIFY(root.waitForConnected(5000));
    QVERIFY(prove(root));
    QTRY_VERIFY(server.isOpen());
}

void TestTcpServer::portInUse()
{
    TcpServer first;
    QVERIFY(first.start(loopback, 0));
    TcpServer second;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^TcpServer: Can't start TCP server, \\d+,.+"));
    QVERIFY(!second.start(loopback, first.serverPort()));
}

QTEST_GUILESS_MAIN(TestTcpServer)
#include "test_tcpserver.moc"
