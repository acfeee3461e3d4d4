#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QTimer;

// A local server that serves exactly one peer per start(): the engine's
// control connection (OpenVPN's management interface, the WireGuard engine).
// The engines run as root, so only a peer whose socket belongs to the
// expected user (root unless set otherwise) is considered; any other local
// process is dropped before a byte is written to it, and the server keeps
// waiting for the engine.
//
// Every engine is root, another user's too, so root alone does not make a
// peer ours: the server asks it "pid", which both engines answer with
// "SUCCESS: pid=N", and serves it only when N is the process that the
// service reported to this client (setExpectedPeerProcess). Until then
// nothing else is written to the peer, and what it sends is held back and
// read afterwards in order. A peer that does not prove itself within
// verificationTimeout is dropped and the server waits for the next.
// Lines are read whole and bounded in length.
class TcpServer : public QObject
{
    Q_OBJECT

public:
    explicit TcpServer(QObject *parent = nullptr);
    ~TcpServer() override;

    bool start(const QString &address, unsigned port);
    void stop();
    bool isOpen() const;
    qint64 write(const char *text);
    // One whole line, decoded up to the first NUL byte; empty when no whole
    // line is buffered yet. An overlong line is dropped.
    QString readLine();
    QTcpSocket *socket() const;

    // The port actually listened on (useful when started on port 0).
    quint16 serverPort() const;
    // The user whose sockets are served; root by default.
    void setAllowedPeerUid(uint uid) { m_allowedPeerUid = uid; }
    uint allowedPeerUid() const { return m_allowedPeerUid; }
    // The engine's process id from the service's "started:" report; 0 while unknown.
    void setExpectedPeerProcess(qint64 pid);
    qint64 expectedPeerProcess() const { return m_expectedPid; }

    static constexpr qint64 maxLineLength = 64 * 1024;
    static constexpr int verificationTimeout = 10000;
    // Lines a peer may send before it has proved itself.
    static constexpr int maxHeldLines = 256;

signals:
    void readyRead();
    void serverStarted();
    void socketError(QAbstractSocket::SocketError error);

public slots:
    void onAcceptError(QAbstractSocket::SocketError error);
    void onNewConnection();
    void onReadyRead();
    void onSocketConnected();
    void onSocketDisconnected();
    void onSocketError(QAbstractSocket::SocketError error);

private:
    bool peerIsAllowed(QTcpSocket *socket) const;
    void releaseSocket();
    void releaseCandidate();
    void onCandidateReadyRead();
    void verifyCandidate();
    void refuseCandidate(const QString &reason);
    void serve(QTcpSocket *socket);
    // One whole line of the socket, or an empty array; overlong lines are dropped.
    QByteArray takeLine(QTcpSocket *socket);

    QTcpServer *m_server = nullptr;
    QPointer<QTcpSocket> m_socket;
    // A root peer that has not yet proved to be the expected engine.
    QPointer<QTcpSocket> m_candidate;
    QTimer *m_verificationTimer = nullptr;
    QList<QByteArray> m_heldLines;
    qint64 m_candidatePid = 0;
    qint64 m_expectedPid = 0;
    bool m_socketError = false;
    bool m_discardingLine = false;
    uint m_allowedPeerUid = 0;
};
