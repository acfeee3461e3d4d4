#include "servicecontroller.h"

#include "utils.h"

#include <QDebug>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

QPointer<ServiceController> ServiceController::s_instance;

namespace {
const QString serviceHost = QStringLiteral("127.0.0.1");
const QString initCommand = QStringLiteral("init: connection");
} // namespace

ServiceController::ServiceController(bool active, QObject *parent, quint16 port, int checkInterval)
    : QObject(parent), m_port(port), m_checkInterval(checkInterval)
{
    setObjectName(QStringLiteral("ServiceController"));
    s_instance = this;
    if (!active)
        return;

    m_checkTimer = new QTimer(this);
    connect(m_checkTimer, &QTimer::timeout, this, &ServiceController::checkConnectionTimer);
    initialize();
    m_checkTimer->start(m_checkInterval);
}

ServiceController::~ServiceController()
{
    // Going away is not a lost connection: nobody hears from the socket again.
    if (m_socket)
        m_socket->disconnect(this);
}

ServiceController *ServiceController::instance()
{
    return s_instance;
}

void ServiceController::info(const QString &text) const
{
    qInfo().noquote() << objectName() + QStringLiteral(": ") + text;
}

void ServiceController::initialize()
{
    m_connected = false;
    m_socket = new QWebSocket(QString(), QWebSocketProtocol::Version13, this);
    connect(m_socket, &QWebSocket::connected, this, &ServiceController::onConnected);
    connect(m_socket, &QWebSocket::connected, this, &ServiceController::connected);
    connect(m_socket, QOverload<QAbstractSocket::SocketError>::of(&QWebSocket::error), this,
            &ServiceController::onWebSocketError);
    connect(m_socket, &QWebSocket::disconnected, this, &ServiceController::onSocketDisconnected);
    QTimer::singleShot(m_checkInterval, this, &ServiceController::sendInitialConnectionStatus);
    openConnection();
}

void ServiceController::openConnection()
{
    m_socket->open(QUrl(QStringLiteral("ws://%1:%2").arg(serviceHost).arg(m_port)));
}

void ServiceController::checkConnectionTimer()
{
    if (isForceQuit() || m_connected)
        return;
    qWarning().noquote() << objectName() + QStringLiteral(": Reopen connection");
    m_socket->abort();
    openConnection();
}

void ServiceController::onConnected()
{
    info(QStringLiteral("Connected to vpn-service"));
    m_connected = true;
    if (!m_messagesWired) {
        m_messagesWired = true;
        connect(m_socket, &QWebSocket::textMessageReceived, this, &ServiceController::onTextMessageReceived);
    }
    if (!m_initCommandSent) {
        sendInitCommand();
        m_initCommandSent = true;
    }
    while (!m_buffer.isEmpty()) {
        const QString command = m_buffer.first();
        info(QStringLiteral("Save data in buffer: ") + command);
        sendTextMessage(command);
        m_buffer.removeFirst();
    }
    sendInitialConnectionStatus();
}

void ServiceController::sendCommand(const QString &command)
{
    if (!m_socket)
        return;
    if (command.isEmpty()) {
        info(QStringLiteral("Invalid command"));
        return;
    }
    if (m_connected && m_socket->isValid()) {
        sendTextMessage(command);
        return;
    }
    m_buffer.append(command);
    qWarning().noquote() << objectName()
            + QStringLiteral(": Socket status: '%1', last error: '%2', data will be buffered: %3")
                  .arg(Utils::boolString(m_socket->isValid()), m_socket->errorString(), command);
}

void ServiceController::sendInitCommand()
{
    sendTextMessage(initCommand);
}

void ServiceController::sendTextMessage(const QString &text)
{
    if (!m_socket)
        return;
    // Start commands carry full paths; the log gets file names only.
    const QString shown
        = text.startsWith(QLatin1String("start")) ? Utils::replacePathsWithFileNames(text) : text;
    info(QStringLiteral("Send data: [") + shown + QLatin1Char(']'));
    m_socket->sendTextMessage(text);
}

void ServiceController::flush()
{
    if (m_socket)
        m_socket->flush();
}

void ServiceController::onTextMessageReceived(const QString &message)
{
    // Every message of the service ends with one terminator character.
    const QString text = message.left(message.size() - 1);
    info(QStringLiteral("Received data: [") + text.simplified() + QLatin1Char(']'));
    if (!text.isEmpty())
        emit processOutput(text);
}

void ServiceController::onWebSocketError(QAbstractSocket::SocketError)
{
    info(QStringLiteral("Socket error: '%1'").arg(m_socket->errorString()));
    sendInitialConnectionStatus();
}

void ServiceController::sendInitialConnectionStatus()
{
    if (isForceQuit() || m_initialStatusSent)
        return;
    m_initialStatusSent = true;
    emit initialConnectionStatusChanged();
}

void ServiceController::onSocketDisconnected()
{
    if (!m_connected)
        return;
    qCritical().noquote() << objectName() + QStringLiteral(": Connection lost");
    m_connected = false;
    if (!m_socket->isValid())
        m_socket->abort();
    emit disconnected();
}

void ServiceController::abortConnection()
{
    if (!m_connected)
        return;
    m_connected = false;
    if (!m_socket->isValid())
        m_socket->abort();
}

void ServiceController::forceQuit()
{
    info(QStringLiteral("Force quit"));
    if (m_socket)
        m_socket->disconnect();
    if (m_checkTimer)
        m_checkTimer->stop();
    abortConnection();
}

bool ServiceController::isForceQuit() const
{
    return !m_checkTimer || !m_checkTimer->isActive();
}
