#include "serviceserver.h"

#include "peercredentials.h"
#include "processrunner.h"
#include "servicecommand.h"

#include <QDebug>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketCorsAuthenticator>
#include <QWebSocketServer>
#include <algorithm>

namespace {
constexpr int handshakeTimeout = 5000;

// What the log shows of a client's text: one line, no control characters, bounded.
QString shown(const QString &text)
{
    QString line = text.simplified();
    if (line.size() > 300)
        line = line.left(300) + QStringLiteral("...");
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    }
    return line;
}
} // namespace

ServiceServer::ServiceServer(const CommandPolicy &policy, ProcessRunner *runner, QObject *parent)
    : QObject(parent),
      m_policy(policy),
      m_runner(runner),
      m_server(new QWebSocketServer(QStringLiteral("vpn-service"), QWebSocketServer::NonSecureMode, this))
{
    setObjectName(QStringLiteral("ServiceServer"));
    m_server->setHandshakeTimeout(handshakeTimeout);
    m_server->setMaxPendingConnections(maxSessions);
    connect(m_server, &QWebSocketServer::newConnection, this, &ServiceServer::onNewConnection);
    connect(m_server, &QWebSocketServer::originAuthenticationRequired, this,
            &ServiceServer::onOriginAuthenticationRequired);
    connect(m_runner, &ProcessRunner::report, this, &ServiceServer::onReport);
    connect(m_runner, &ProcessRunner::output, this, &ServiceServer::onOutput);
}

ServiceServer::~ServiceServer()
{
    m_runner->disconnect(this);
    for (Session *session : qAsConst(m_sessions)) {
        session->socket->disconnect(this);
        delete session;
    }
}

void ServiceServer::info(const QString &text) const
{
    qInfo().noquote() << objectName() + QStringLiteral(": ") + text;
}

void ServiceServer::warning(const QString &text) const
{
    qWarning().noquote() << objectName() + QStringLiteral(": ") + text;
}

bool ServiceServer::listen(quint16 port)
{
    if (!m_server->listen(QHostAddress::LocalHost, port))
        return false;
    info(QStringLiteral("Listening on 127.0.0.1:%1").arg(m_server->serverPort()));
    return true;
}

quint16 ServiceServer::port() const
{
    return m_server->serverPort();
}

QString ServiceServer::errorString() const
{
    return m_server->errorString();
}

void ServiceServer::onOriginAuthenticationRequired(QWebSocketCorsAuthenticator *authenticator)
{
    // A browser always names the page's origin; the client never does.
    const bool allowed = authenticator->origin().isEmpty();
    if (!allowed)
        warning(QStringLiteral("Refused a handshake with the Origin header '%1'")
                    .arg(shown(authenticator->origin())));
    authenticator->setAllowed(allowed);
}

void ServiceServer::refuse(QWebSocket *socket, const QString &reason)
{
    warning(QStringLiteral("Refused a client from %1:%2: %3")
                .arg(socket->peerAddress().toString())
                .arg(socket->peerPort())
                .arg(reason));
    socket->close(QWebSocketProtocol::CloseCodePolicyViolated, reason);
    socket->deleteLater();
}

void ServiceServer::onNewConnection()
{
    while (QWebSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        if (!socket->peerAddress().isLoopback()) {
            refuse(socket, QStringLiteral("not a local peer"));
            continue;
        }
        const qint64 uid = PeerCredentials::loopbackPeerUid(socket->localPort(), socket->peerPort());
        if (uid < 0) {
            refuse(socket, QStringLiteral("the peer's user is unknown"));
            continue;
        }
        const auto sameUser = [uid](const Session *session) { return session->uid == uid; };
        if (m_sessions.size() >= maxSessions
            || std::count_if(m_sessions.cbegin(), m_sessions.cend(), sameUser) >= maxSessionsPerUser) {
            refuse(socket, QStringLiteral("too many clients"));
            continue;
        }
        socket->setMaxAllowedIncomingFrameSize(maxFrameSize);
        socket->setMaxAllowedIncomingMessageSize(maxFrameSize);

        auto *session = new Session;
        session->socket = socket;
        session->uid = static_cast<uint>(uid);
        session->replayTimer = new QTimer(socket);
        session->replayTimer->setSingleShot(true);
        m_sessions.append(session);
        info(QStringLiteral("Client connected from port %1, user %2").arg(socket->peerPort()).arg(uid));

        connect(session->replayTimer, &QTimer::timeout, this,
                [this, session]() { makeReady(session, false); });
        connect(socket, &QWebSocket::textMessageReceived, this,
                [this, session](const QString &text) { onTextMessage(session, text); });
        connect(socket, &QWebSocket::binaryMessageReceived, this,
                [this, session]() { onBinaryMessage(session); });
        connect(socket, &QWebSocket::disconnected, this, [this, session]() { onDisconnected(session); });
        session->replayTimer->start(replayDelay);
    }
}

void ServiceServer::onDisconnected(Session *session)
{
    info(QStringLiteral("Client disconnected from port %1, close code %2 (%3 program(s) running)")
             .arg(session->socket->peerPort())
             .arg(session->socket->closeCode())
             .arg(m_runner->runningCount()));
    m_sessions.removeOne(session);
    session->socket->disconnect(this);
    session->socket->deleteLater();
    delete session;
}

void ServiceServer::makeReady(Session *session, bool startsAfresh)
{
    if (session->ready)
        return;
    session->ready = true;
    session->replayTimer->stop();
    if (m_undelivered.isEmpty())
        return;
    if (startsAfresh) {
        info(QStringLiteral("Dropped %1 report(s) of an earlier client").arg(m_undelivered.size()));
    } else {
        for (const QString &report : qAsConst(m_undelivered))
            send(session, report);
    }
    m_undelivered.clear();
}

void ServiceServer::onTextMessage(Session *session, const QString &text)
{
    const ServiceCommand command = ServiceCommand::parse(text);
    makeReady(session, command.kind() == ServiceCommand::Kind::Init);
    if (!command.isValid()) {
        warning(QStringLiteral("Invalid command (%1): [%2]").arg(command.error(), shown(text)));
        send(session, QStringLiteral("error: ") + command.error());
        return;
    }
    info(QStringLiteral("Received: [%1]").arg(shown(text)));
    handle(session, command);
}

void ServiceServer::onBinaryMessage(Session *session)
{
    makeReady(session, false);
    warning(QStringLiteral("Ignored a binary frame"));
    send(session, QStringLiteral("error: binary frames are not accepted"));
}

void ServiceServer::handle(Session *session, const ServiceCommand &command)
{
    switch (command.kind()) {
    case ServiceCommand::Kind::Init:
        // A client starting afresh, or one that is leaving: no engine of an
        // earlier session runs on. A tool still at work is left to finish.
        m_runner->endEngines();
        return;
    case ServiceCommand::Kind::Kill:
        m_runner->end(command.name(), true);
        return;
    case ServiceCommand::Kind::Stop:
        m_runner->end(command.name(), false);
        return;
    case ServiceCommand::Kind::Start:
        break;
    case ServiceCommand::Kind::Invalid:
        return;
    }

    const CommandPolicy::Decision decision = m_policy.check(command.words());
    QString reason = decision.reason;
    const ProcessRunner::StartStatus status
        = decision.allowed ? m_runner->start(decision, session->uid, &reason) : ProcessRunner::Refused;
    if (status == ProcessRunner::Started)
        return;
    warning(QStringLiteral("Refused to start '%1': %2").arg(decision.name, reason));
    send(session, ProcessRunner::startedReport(0, status, decision.name));
}

void ServiceServer::send(Session *session, const QString &text)
{
    session->socket->sendTextMessage(text + QLatin1Char('\n'));
}

void ServiceServer::onReport(const QString &text)
{
    bool delivered = false;
    for (Session *session : qAsConst(m_sessions)) {
        if (!session->ready || session->socket->state() != QAbstractSocket::ConnectedState)
            continue;
        send(session, text);
        delivered = true;
    }
    if (delivered)
        return;
    m_undelivered.append(text);
    while (m_undelivered.size() > maxUndeliveredReports)
        m_undelivered.removeFirst();
}

void ServiceServer::onOutput(const QString &name, const QString &line)
{
    for (Session *session : qAsConst(m_sessions)) {
        if (session->ready && session->socket->bytesToWrite() < maxUnsentBytes)
            send(session, name + QStringLiteral(": ") + line);
    }
}
