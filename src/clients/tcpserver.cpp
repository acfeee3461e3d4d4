#include "tcpserver.h"

#include "socketowner.h"

#include <QDebug>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {
const QByteArray pidAnswer = "SUCCESS: pid=";
} // namespace

TcpServer::TcpServer(QObject *parent) : QObject(parent), m_verificationTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("TcpServer"));
    m_verificationTimer->setSingleShot(true);
    m_verificationTimer->setInterval(verificationTimeout);
    connect(m_verificationTimer, &QTimer::timeout, this,
            [this]() { refuseCandidate(QStringLiteral("it did not tell its process in time")); });
}

TcpServer::~TcpServer()
{
    releaseCandidate();
    releaseSocket();
}

bool TcpServer::start(const QString &address, unsigned port)
{
    releaseCandidate();
    m_expectedPid = 0;
    delete m_server;
    m_server = new QTcpServer(this);
    m_server->setMaxPendingConnections(1);
    connect(m_server, &QTcpServer::acceptError, this, &TcpServer::onAcceptError);
    connect(m_server, &QTcpServer::newConnection, this, &TcpServer::onNewConnection);
    if (port > 0xffff || !m_server->listen(QHostAddress(address), quint16(port))) {
        qWarning().noquote() << objectName()
                + QStringLiteral(": Can't start TCP server, %1,%2")
                      .arg(QString::number(int(m_server->serverError())), m_server->errorString());
        return false;
    }
    emit serverStarted();
    return true;
}

void TcpServer::stop()
{
    if (m_server)
        m_server->close();
    releaseCandidate();
    releaseSocket();
    m_expectedPid = 0;
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

QByteArray TcpServer::takeLine(QTcpSocket *socket)
{
    for (;;) {
        if (!socket->canReadLine()) {
            // No line feed in a buffer that already holds a whole line's worth:
            // the peer sends garbage; drop it up to the next line feed.
            if (socket->bytesAvailable() >= maxLineLength) {
                if (!m_discardingLine)
                    qWarning().noquote() << objectName() + QStringLiteral(": Line too long, dropped");
                m_discardingLine = true;
                socket->read(socket->bytesAvailable());
            }
            return QByteArray();
        }
        QByteArray line = socket->readLine(maxLineLength + 1);
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
        // A line made empty by a NUL is still a line; it must not read as "none".
        return line.isEmpty() ? QByteArray("\n") : line;
    }
}

QString TcpServer::readLine()
{
    if (!isOpen()) {
        qWarning().noquote() << objectName() + QStringLiteral(": Socket is not opened");
        return QString();
    }
    if (!m_heldLines.isEmpty())
        return QString::fromUtf8(m_heldLines.takeFirst());
    return QString::fromUtf8(takeLine(m_socket));
}

QTcpSocket *TcpServer::socket() const
{
    return m_socket;
}

quint16 TcpServer::serverPort() const
{
    return m_server ? m_server->serverPort() : 0;
}

void TcpServer::setExpectedPeerProcess(qint64 pid)
{
    m_expectedPid = pid;
    if (m_candidate)
        verifyCandidate();
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
        if (!peerIsAllowed(socket) || m_candidate) {
            if (m_candidate)
                qWarning().noquote() << objectName()
                        + QStringLiteral(": Refused a second connection while one proves itself");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_candidate = socket;
        m_candidatePid = 0;
        m_heldLines.clear();
        m_discardingLine = false;
        socket->setReadBufferSize(maxLineLength);
        connect(socket, &QTcpSocket::readyRead, this, &TcpServer::onCandidateReadyRead);
        connect(socket, &QTcpSocket::disconnected, this,
                [this]() { refuseCandidate(QStringLiteral("it left before it told its process")); });
        socket->write("pid\n");
        m_verificationTimer->start();
        onCandidateReadyRead();
        return;
    }
}

void TcpServer::onCandidateReadyRead()
{
    if (!m_candidate)
        return;
    for (QByteArray line = takeLine(m_candidate); !line.isEmpty(); line = takeLine(m_candidate)) {
        if (m_candidatePid == 0 && line.startsWith(pidAnswer)) {
            bool ok = false;
            m_candidatePid = line.mid(pidAnswer.size()).trimmed().toLongLong(&ok);
            if (!ok || m_candidatePid <= 0) {
                refuseCandidate(QStringLiteral("its answer to 'pid' is not a process id"));
                return;
            }
            continue;
        }
        if (m_heldLines.size() >= maxHeldLines) {
            refuseCandidate(QStringLiteral("it sent too much before it told its process"));
            return;
        }
        m_heldLines.append(line);
    }
    if (m_candidatePid > 0)
        verifyCandidate();
}

void TcpServer::verifyCandidate()
{
    // Both the peer's answer and the service's report are needed.
    if (!m_candidate || m_candidatePid == 0 || m_expectedPid == 0)
        return;
    if (m_candidatePid != m_expectedPid) {
        refuseCandidate(QStringLiteral("it is process %1, not the engine %2")
                            .arg(QString::number(m_candidatePid), QString::number(m_expectedPid)));
        return;
    }
    QTcpSocket *socket = m_candidate;
    m_candidate = nullptr;
    m_verificationTimer->stop();
    socket->disconnect(this);
    serve(socket);
}

void TcpServer::refuseCandidate(const QString &reason)
{
    if (!m_candidate)
        return;
    qWarning().noquote() << objectName()
            + QStringLiteral(": Refused connection from port %1: %2")
                  .arg(QString::number(m_candidate->peerPort()), reason);
    releaseCandidate();
    m_heldLines.clear();
    // The engine may still come: keep waiting for it.
    if (m_server && m_server->isListening() && m_server->hasPendingConnections())
        QTimer::singleShot(0, this, &TcpServer::onNewConnection);
}

void TcpServer::releaseCandidate()
{
    m_verificationTimer->stop();
    if (!m_candidate)
        return;
    QTcpSocket *socket = m_candidate;
    m_candidate = nullptr;
    m_candidatePid = 0;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void TcpServer::serve(QTcpSocket *socket)
{
    qInfo().noquote() << objectName() + QStringLiteral(": Created new connection");
    releaseSocket();
    m_socketError = false;
    m_socket = socket;
    connect(socket, &QTcpSocket::disconnected, this, &TcpServer::onSocketDisconnected);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, this, &TcpServer::onReadyRead);
    connect(socket, &QTcpSocket::connected, this, &TcpServer::onSocketConnected);
    connect(socket, &QAbstractSocket::errorOccurred, this, &TcpServer::onSocketError);
    // One peer per start.
    m_server->close();
    if (!m_heldLines.isEmpty() || socket->bytesAvailable() > 0)
        emit readyRead();
}

bool TcpServer::peerIsAllowed(QTcpSocket *socket) const
{
    // The peer's end of the connection is the socket whose owner counts.
    uint owner = 0;
    if (!SocketOwner::uid(socket->peerAddress(), socket->peerPort(), socket->localAddress(),
                          socket->localPort(), &owner)) {
        qWarning().noquote() << objectName()
                + QStringLiteral(": Refused connection from %1:%2, its owner is unknown")
                      .arg(socket->peerAddress().toString(), QString::number(socket->peerPort()));
        return false;
    }
    if (owner != m_allowedPeerUid) {
        qWarning().noquote() << objectName()
                + QStringLiteral(": Refused connection from %1:%2 of user %3")
                      .arg(socket->peerAddress().toString(), QString::number(socket->peerPort()),
                           QString::number(owner));
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
