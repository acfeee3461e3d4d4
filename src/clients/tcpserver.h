#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;

// A local server that serves exactly one peer per start(): the engine's
// control connection (OpenVPN's management interface, the WireGuard engine).
// The engines run as root, so only a peer whose socket belongs to the
// expected user (root unless set otherwise) is served; any other local
// process is dropped before a byte is written to it, and the server keeps
// waiting for the engine. Lines are read whole and bounded in length.
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

    static constexpr qint64 maxLineLength = 64 * 1024;

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

    QTcpServer *m_server = nullptr;
    QPointer<QTcpSocket> m_socket;
    bool m_socketError = false;
    bool m_discardingLine = false;
    uint m_allowedPeerUid = 0;
};
