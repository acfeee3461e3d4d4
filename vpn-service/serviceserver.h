#pragma once

#include "accessrule.h"
#include "commandpolicy.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class ListeningSocket;
class ProcessRunner;
class QTcpSocket;
class QWebSocket;
class QWebSocketCorsAuthenticator;
class QWebSocketServer;
class ServiceCommand;
class QTimer;

// The service's WebSocket end on 127.0.0.1: accepts clients, turns their
// command frames into work for the process runner and sends back the reports,
// each as one text frame ending in a line feed. Program output goes out as
// "NAME: line" frames, which no client reads as a report.
//
// Every TCP connection is identified before its handshake, from the kernel's
// record of exactly that established connection: a local peer whose user the
// access rule allows. Handshakes in progress are bounded per user and in
// total, so a user who opens connections and never finishes them cannot shut
// anybody out; connections that carry an Origin header (a web page) are
// refused. A client acts only on its own user's programs and receives only
// its own user's reports and output; reports made while none of that user's
// clients was there are kept for the next one, unless it starts afresh with
// "init: connection". A refusal or error goes only to the client that sent
// the command.
class ServiceServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int maxSessions = 16;
    // So that one user's idle connections cannot shut out another's client.
    static constexpr int maxSessionsPerUser = 4;
    static constexpr int maxHandshakes = 32;
    static constexpr int maxHandshakesPerUser = 4;
    static constexpr int handshakeTimeout = 3000;
    static constexpr int maxFrameSize = 64 * 1024;
    static constexpr int maxUndeliveredReports = 64;
    static constexpr int maxUsersWithUndeliveredReports = 64;
    // How long a new client may be silent before it gets the kept reports.
    static constexpr int replayDelay = 2000;
    // Output is dropped, reports never, for a client that does not read.
    static constexpr qint64 maxUnsentBytes = 1024 * 1024;

    ServiceServer(const CommandPolicy &policy, const AccessRule &access, ProcessRunner *runner,
                  QObject *parent = nullptr);
    ~ServiceServer() override;

    bool listen(quint16 port);
    quint16 port() const;
    QString errorString() const;

private:
    struct Session
    {
        QWebSocket *socket = nullptr;
        QTimer *replayTimer = nullptr;
        uint uid = 0;
        bool ready = false;
    };
    struct Handshake
    {
        QPointer<QTcpSocket> socket;
        uint uid = 0;
    };
    using Endpoint = QPair<QString, quint16>;

    void onTcpConnection(int descriptor);
    void onAcceptPaused(const QString &reason);
    void onHandshakeDone();
    void onOriginAuthenticationRequired(QWebSocketCorsAuthenticator *authenticator);
    void onTextMessage(Session *session, const QString &text);
    void onBinaryMessage(Session *session);
    void onDisconnected(Session *session);
    void onReport(uint uid, const QString &text);
    void onOutput(uint uid, const QString &name, const QString &line);
    void accept(QTcpSocket *socket);
    void startSession(QWebSocket *socket, uint uid);
    void makeReady(Session *session, bool startsAfresh);
    void handle(Session *session, const ServiceCommand &command);
    // Empty when the engine may be started for the user: its client's port is
    // listened on by that user alone.
    QString enginePortProblem(const CommandPolicy::Decision &decision, uint uid) const;
    void send(Session *session, const QString &text);
    void refuse(QTcpSocket *socket, const QString &reason);
    void refuse(QWebSocket *socket, const QString &reason);
    int handshakesOf(uint uid) const;
    int sessionsOf(uint uid) const;
    void info(const QString &text) const;
    void warning(const QString &text) const;

    CommandPolicy m_policy;
    AccessRule m_access;
    ProcessRunner *m_runner;
    ListeningSocket *m_listener;
    QWebSocketServer *m_server;
    QHash<Endpoint, Handshake> m_handshakes;
    QList<Session *> m_sessions;
    QHash<uint, QStringList> m_undelivered;
    int m_acceptErrors = 0;
};
