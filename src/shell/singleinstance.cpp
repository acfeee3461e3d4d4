#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <memory>

#include <signal.h>
#include <unistd.h>

namespace {
// A per-user folder for the lock and the socket: the runtime folder when the
// desktop provides one, else a private folder in the temporary location.
QString instanceFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath() + QStringLiteral("/vpnclient-%1").arg(getuid());
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder;
}
} // namespace

SingleInstance::SingleInstance(const QString &applicationId, QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("SingleInstance"));
    const QString key = QString::fromLatin1(
        QCryptographicHash::hash(applicationId.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    const QString folder = instanceFolder();
    m_socketPath = QStringLiteral("%1/vpnclient-%2.socket").arg(folder, key);
    m_lockPath = QStringLiteral("%1/vpnclient-%2.lock").arg(folder, key);
    m_lock = new QLockFile(m_lockPath);
    m_primary = becomePrimary();
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
    delete m_lock;
}

bool SingleInstance::becomePrimary()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_lock->tryLock(0)) {
            m_server = new QLocalServer(this);
            m_server->setSocketOptions(QLocalServer::UserAccessOption);
            // A socket file left by a crashed instance: we hold the lock, so it is ours to remove.
            QLocalServer::removeServer(m_socketPath);
            if (!m_server->listen(m_socketPath))
                qWarning().noquote() << objectName() + ": Cannot listen on " + m_socketPath + ": "
                        + m_server->errorString();
            connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
            return true;
        }
        // The holder may still be starting: give it a moment to open its socket.
        if (otherInstanceAnswers(2000))
            return false;
        // Nobody answers: a stale or damaged lock.
        qWarning().noquote() << objectName() + ": Removing a lock nobody holds: " + m_lockPath;
        m_lock->removeStaleLockFile();
        QFile::remove(m_lockPath);
    }
    return false;
}

bool SingleInstance::otherInstanceAnswers(int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    do {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(200)) {
            socket.abort();
            return true;
        }
        // Only a live holder is worth waiting for.
        qint64 pid = 0;
        QString host;
        QString application;
        if (!m_lock->getLockInfo(&pid, &host, &application) || pid <= 0 || ::kill(pid, 0) != 0)
            return false;
        QThread::msleep(100);
    } while (timer.elapsed() < timeoutMs);
    return false;
}

bool SingleInstance::sendMessage(const QString &message, int timeoutMs)
{
    if (m_primary)
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    // A message ends with one NUL byte, so the bare connection of a liveness probe is no message.
    socket.write(message.toUtf8().left(maxMessageSize - 1) + '\0');
    const bool written = socket.bytesToWrite() == 0 || socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return written;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        // The message is everything the peer wrote before it disconnected.
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer]() {
            buffer->append(socket->readAll());
            if (buffer->size() > maxMessageSize)
                socket->abort();
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, buffer]() {
            // A socket reports its end once; its destruction must not deliver the message again.
            socket->disconnect(this);
            socket->disconnect(socket);
            buffer->append(socket->readAll());
            if (buffer->size() <= maxMessageSize && buffer->endsWith('\0'))
                emit messageReceived(QString::fromUtf8(buffer->left(buffer->size() - 1)));
            socket->deleteLater();
        });
    }
}
