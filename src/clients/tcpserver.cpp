#include "tcpserver.h"

#include "socketowner.h"

#include <QDebug>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

TcpServer::TcpServer(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("TcpServer"));
}

TcpServer::~TcpServer()
{
    releaseSocket();
}

bool TcpServer::start(const QString &address, unsigned port)
{
    delete m_server;
    m_server = new QTcpServer(this);
    m_server->setMaxPendingConnections(1);
    connect(m_server, &QTcpServer::acceptError, this, &TcpServer::onAcceptError);
    connect(m_server, &QTcpServer::newConnection, this, &TcpServer::onNewConnection);
    if (port > 0xffff || !m_server->listen(QHostAddress(address), quint16(port))) {
        qWarning().noquote() << objectName()
                + QStringLiteral(": Can't start TCP server, %1,%2")
                      .arg(int(m_server->serverError()))
                      .arg(m_server->errorString());
        return false;
    }
    emit serverStarted();
    return true;
}

void TcpServer::stop()
{
    if (m_server)
        m_server->close();
    releaseSocket();
}

bool TcpServer::isOpen() const
{
    return m_socket && !m_socketError && m_socket->isOpen();
}

qint64 TcpServer::write(const char *text)
{
    if (!isOpen() || !text)
        return 0;
    const qint64 written = m_socket->write(text);
    return written < 0 ? 0 : written;
}

QString TcpServer::readLine()
{
    if (!isOpen()) {
        qWarning().noquote() << objectName() + QStringLiteral(": Socket is not opened");
        return QString();
    }
    for (;;) {
        if (!m_socket->canReadLine()) {
            // No line feed in a buffer that already holds a whole line's worth:
            // the peer sends garbage; drop it up to the next line feed.
            if (m_socket->bytesAvailable() >= maxLineLength) {
                if (!m_discardingLine)
                    qWarning().noquote() << objectName() + QStringLiteral(": Line too long, dropped");
                m_discardingLine = true;
                m_socket->read(m_socket->bytesAvailable());
            }
            return QString();
        }
        QByteArray line = m_socket->readLine(maxLineLength + 1);
        if (m_discardingLine) {
            // The tail of a dropped line.
            m_discardingLine = !line.endsWith('\n');
            continue;
        }
        if (!line.endsWith('\n')) {
            qWarning().noquote() << objectName() + QStringLiteral(": Line too long, dropped");
            m_discardingLine = true;
            continue;
        }
        const int nul = line.indexOf('\0');
        if (nul >= 0)
            line.truncate(nul);
        return QString::fromUtf8(line);
    }
}

QTcpSocket *TcpServer::socket() const
{
    return m_socket;
}

quint16 TcpServer::serverPort() const
{
    return m_server ? m_server->serverPort() : 0;
}

void TcpServer::onAcceptError(QAbstractSocket::SocketError error)
{
    qWarning().noquote() << objectName() + QStringLiteral(": Accept error: %1").arg(int(error));
}

void TcpServer::onNewConnection()
{
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket *socket = m_server->nextPendingConnection();
        if (!socket)
            return;
        if (!peerIsAllowed(socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }

        qInfo().noquote() << objectName() + QStringLiteral(": Created new connection");
        releaseSocket();
        m_socketError = false;
        m_discardingLine = false;
        m_socket = socket;
        // Engine lines are bounded; a peer that never ends a line cannot grow the buffer.
        socket->setReadBufferSize(maxLineLength);
        connect(socket, &QTcpSocket::disconnected, this, &TcpServer::onSocketDisconnected);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, &TcpServer::onReadyRead);
        connect(socket, &QTcpSocket::connected, this, &TcpServer::onSocketConnected);
        connect(socket, &QAbstractSocket::errorOccurred, this, &TcpServer::onSocketError);
        // One peer per start.
        m_server->close();
        if (socket->bytesAvailable() > 0)
            emit readyRead();
        return;
    }
}

bool TcpServer::peerIsAllowed(QTcpSocket *socket) const
{
    // The peer's end of the connection is the socket whose owner counts.
    uint owner = 0;
    if (!SocketOwner::uid(socket->peerAddress(), socket->peerPort(), socket->localAddress(),
                          socket->localPort(), &owner)) {
        qWarning().noquote() << objectName()
                + QStringLiteral(": Refused connection from %1:%2, its owner is unknown")
                      .arg(socket->peerAddress().toString())
                      .arg(socket->peerPort());
        return false;
    }
    if (owner != m_allowedPeerUid) {
        qWarning().noquote() << objectName()
                + QStringLiteral(": Refused connection from %1:%2 of user %3")
                      .arg(socket->peerAddress().toString())
                      .arg(socket->peerPort())
                      .arg(owner);
        return false;
    }
    return true;
}

void TcpServer::releaseSocket()
{
    if (!m_socket)
        return;
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void TcpServer::onReadyRead()
{
    emit readyRead();
}

void TcpServer::onSocketConnected()
{
    qInfo().noquote() << objectName() + QStringLiteral(": Socket connected");
}

void TcpServer::onSocketDisconnected()
{
    qInfo().noquote() << objectName() + QStringLiteral(": Socket disconnected");
}

void TcpServer::onSocketError(QAbstractSocket::SocketError error)
{
    if (!m_socket || sender() != m_socket)
        return;
    qWarning().noquote() << objectName() + QStringLiteral(": On error: %1").arg(m_socket->errorString());
    m_socket->abort();
    m_socketError = true;
    emit socketError(error);
}
