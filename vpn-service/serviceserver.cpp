#include "serviceserver.h"

#include "listeningsocket.h"
#include "processrunner.h"
#include "servicecommand.h"
#include "socketowner.h"

#include <QDebug>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketCorsAuthenticator>
#include <QWebSocketServer>
#include <algorithm>

#include <unistd.h>

namespace {
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

ServiceServer::ServiceServer(const CommandPolicy &policy, const AccessRule &access, ProcessRunner *runner,
                             QObject *parent)
    : QObject(parent),
      m_policy(policy),
      m_access(access),
      m_runner(runner),
      m_listener(new ListeningSocket(this)),
      m_server(new QWebSocketServer(QStringLiteral("vpn-service"), QWebSocketServer::NonSecureMode, this))
{
    setObjectName(QStringLiteral("ServiceServer"));
    // The WebSocket server never listens itself: it only upgrades the
    // connections that passed the checks here.
    m_server->setHandshakeTimeout(handshakeTimeout);
    m_server->setMaxPendingConnections(maxSessions);
    connect(m_listener, &ListeningSocket::connection, this, &ServiceServer::onTcpConnection);
    connect(m_listener, &ListeningSocket::acceptPaused, this, &ServiceServer::onAcceptPaused);
    connect(m_server, &QWebSocketServer::newConnection, this, &ServiceServer::onHandshakeDone);
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
    if (!m_listener->listen(port))
        return false;
    info(QStringLiteral("Listening on 127.0.0.1:%1").arg(m_listener->port()));
    info(m_access.description());
    return true;
}

quint16 ServiceServer::port() const
{
    return m_listener->port();
}

QString ServiceServer::errorString() const
{
    return m_listener->errorString();
}

int ServiceServer::handshakesOf(uint uid) const
{
    return int(std::count_if(m_handshakes.cbegin(), m_handshakes.cend(),
                             [uid](const Handshake &handshake) { return handshake.uid == uid; }));
}

int ServiceServer::sessionsOf(uint uid) const
{
    return int(std::count_if(m_sessions.cbegin(), m_sessions.cend(),
                             [uid](const Session *session) { return session->uid == uid; }));
}

void ServiceServer::onAcceptPaused(const QString &reason)
{
    // Logged once per spell: a full descriptor table would fill the log otherwise.
    if (m_acceptErrors++ == 0)
        warning(QStringLiteral("Cannot accept a connection: %1; retrying").arg(reason));
}

void ServiceServer::onTcpConnection(int descriptor)
{
    if (m_acceptErrors > 0) {
        info(QStringLiteral("Accepting again after %1 error(s)").arg(m_acceptErrors));
        m_acceptErrors = 0;
    }
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(descriptor);
        delete socket;
        return;
    }
    accept(socket);
}

void ServiceServer::refuse(QTcpSocket *socket, const QString &reason)
{
    warning(QStringLiteral("Refused a client from %1:%2: %3")
                .arg(socket->peerAddress().toString(), QString::number(socket->peerPort()), reason));
    socket->abort();
    socket->deleteLater();
}

void ServiceServer::refuse(QWebSocket *socket, const QString &reason)
{
    warning(QStringLiteral("Refused a client from %1:%2: %3")
                .arg(socket->peerAddress().toString(), QString::number(socket->peerPort()), reason));
    socket->close(QWebSocketProtocol::CloseCodePolicyViolated, reason);
    socket->deleteLater();
}

void ServiceServer::accept(QTcpSocket *socket)
{
    if (!socket->peerAddress().isLoopback()) {
        refuse(socket, QStringLiteral("not a local peer"));
        return;
    }
    // The peer's own end of exactly this connection, while it is established.
    uint uid = 0;
    if (!SocketOwner::uid(socket->peerAddress(), socket->peerPort(), socket->localAddress(),
                          socket->localPort(), &uid)) {
        refuse(socket, QStringLiteral("the peer's user is unknown"));
        return;
    }
    const QString refusal = m_access.refusal(uid);
    if (!refusal.isEmpty()) {
        refuse(socket, refusal);
        return;
    }
    if (m_handshakes.size() >= maxHandshakes || handshakesOf(uid) >= maxHandshakesPerUser) {
        refuse(socket, QStringLiteral("too many handshakes in progress"));
        return;
    }
    if (m_sessions.size() >= maxSessions || sessionsOf(uid) >= maxSessionsPerUser) {
        refuse(socket, QStringLiteral("too many clients"));
        return;
    }
    const Endpoint endpoint(socket->peerAddress().toString(), socket->peerPort());
    m_handshakes.insert(endpoint, Handshake {socket, uid});
    connect(socket, &QObject::destroyed, this, [this, endpoint]() { m_handshakes.remove(endpoint); });
    // A handshake that fails or times out ends the connection; its socket goes with it.
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    m_server->handleConnection(socket);
}

void ServiceServer::onHandshakeDone()
{
    while (QWebSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        const Endpoint endpoint(socket->peerAddress().toString(), socket->peerPort());
        const auto found = m_handshakes.find(endpoint);
        if (found == m_handshakes.end() || !found->socket) {
            refuse(socket, QStringLiteral("the connection was not checked"));
            continue;
        }
        // The connection now belongs to the WebSocket.
        found->socket->disconnect(this);
        found->socket->disconnect(found->socket.data());
        const uint uid = found->uid;
        m_handshakes.erase(found);
        startSession(socket, uid);
    }
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

void ServiceServer::startSession(QWebSocket *socket, uint uid)
{
    if (m_sessions.size() >= maxSessions || sessionsOf(uid) >= maxSessionsPerUser) {
        refuse(socket, QStringLiteral("too many clients"));
        return;
    }
    socket->setMaxAllowedIncomingFrameSize(maxFrameSize);
    socket->setMaxAllowedIncomingMessageSize(maxFrameSize);

    auto *session = new Session;
    session->socket = socket;
    session->uid = uid;
    session->replayTimer = new QTimer(socket);
    session->replayTimer->setSingleShot(true);
    m_sessions.append(session);
    info(QStringLiteral("Client connected from port %1, user %2")
             .arg(QString::number(socket->peerPort()), QString::number(uid)));

    connect(session->replayTimer, &QTimer::timeout, this, [this, session]() { makeReady(session, false); });
    connect(socket, &QWebSocket::textMessageReceived, this,
            [this, session](const QString &text) { onTextMessage(session, text); });
    connect(socket, &QWebSocket::binaryMessageReceived, this,
            [this, session]() { onBinaryMessage(session); });
    connect(socket, &QWebSocket::disconnected, this, [this, session]() { onDisconnected(session); });
    session->replayTimer->start(replayDelay);
    // A peer that left during the handshake is gone already.
    if (socket->state() != QAbstractSocket::ConnectedState)
        onDisconnected(session);
}

void ServiceServer::onDisconnected(Session *session)
{
    if (!m_sessions.removeOne(session))
        return;
    info(QStringLiteral("Client disconnected from port %1, user %2, close code %3 (%4 program(s) running)")
             .arg(QString::number(session->socket->peerPort()), QString::number(session->uid),
                  QString::number(session->socket->closeCode()), QString::number(m_runner->runningCount())));
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
    const QStringList kept = m_undelivered.take(session->uid);
    if (kept.isEmpty())
        return;
    if (startsAfresh) {
        info(QStringLiteral("Dropped %1 report(s) of an earlier client").arg(kept.size()));
        return;
    }
    for (const QString &report : kept)
        send(session, report);
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
    info(QStringLiteral("Received from user %1: [%2]").arg(QString::number(session->uid), shown(text)));
    handle(session, command);
}

void ServiceServer::onBinaryMessage(Session *session)
{
    makeReady(session, false);
    warning(QStringLiteral("Ignored a binary frame"));
    send(session, QStringLiteral("error: binary frames are not accepted"));
}

QString ServiceServer::enginePortProblem(const CommandPolicy::Decision &decision, uint uid) const
{
    const quint16 port = CommandPolicy::clientPort(decision.program);
    if (port == 0)
        return QString();
    // The engine connects to 127.0.0.1:port and hands over whatever the
    // listener asks for: it must be the requesting user's own client.
    const QList<uint> owners = SocketOwner::loopbackListenerUids(port);
    if (owners.isEmpty())
        return QStringLiteral("nobody listens on port %1").arg(port);
    for (const uint owner : owners) {
        if (owner != uid)
            return QStringLiteral("port %1 is listened on by user %2, not by user %3")
                .arg(QString::number(port), QString::number(owner), QString::number(uid));
    }
    return QString();
}

void ServiceServer::handle(Session *session, const ServiceCommand &command)
{
    switch (command.kind()) {
    case ServiceCommand::Kind::Init:
        // A client starting afresh, or one that is leaving: no engine of an
        // earlier session of this user runs on. A tool still at work is left to finish.
        m_runner->endEngines(session->uid);
        return;
    case ServiceCommand::Kind::Kill:
        m_runner->end(command.name(), true, session->uid);
        return;
    case ServiceCommand::Kind::Stop:
        m_runner->end(command.name(), false, session->uid);
        return;
    case ServiceCommand::Kind::Start:
        break;
    case ServiceCommand::Kind::Invalid:
        return;
    }

    const CommandPolicy::Decision decision = m_policy.check(command.words());
    QString reason = decision.reason;
    ProcessRunner::StartStatus status = ProcessRunner::Refused;
    if (decision.allowed) {
        reason = enginePortProblem(decision, session->uid);
        if (reason.isEmpty())
            status = m_runner->start(decision, session->uid, &reason);
    }
    if (status == ProcessRunner::Started)
        return;
    warning(QStringLiteral("Refused to start '%1' for user %2: %3")
                .arg(decision.name, QString::number(session->uid), reason));
    send(session, ProcessRunner::startedReport(0, status, decision.name));
}

void ServiceServer::send(Session *session, const QString &text)
{
    session->socket->sendTextMessage(text + QLatin1Char('\n'));
}

void ServiceServer::onReport(uint uid, const QString &text)
{
    bool delivered = false;
    for (Session *session : qAsConst(m_sessions)) {
        if (session->uid != uid || !session->ready
            || session->socket->state() != QAbstractSocket::ConnectedState)
            continue;
        send(session, text);
        delivered = true;
    }
    if (delivered)
        return;
    if (!m_undelivered.contains(uid) && m_undelivered.size() >= maxUsersWithUndeliveredReports) {
        warning(QStringLiteral("Dropped a report for user %1: too many users with kept reports")
                    .arg(QString::number(uid)));
        return;
    }
    QStringList &kept = m_undelivered[uid];
    kept.append(text);
    while (kept.size() > maxUndeliveredReports)
        kept.removeFirst();
}

void ServiceServer::onOutput(uint uid, const QString &name, const QString &line)
{
    for (Session *session : qAsConst(m_sessions)) {
        if (session->uid == uid && session->ready && session->socket->bytesToWrite() < maxUnsentBytes)
            send(session, name + QStringLiteral(": ") + line);
    }
}
