#pragma once

#include "commandpolicy.h"

#include <QList>
#include <QObject>
#include <QStringList>

class ProcessRunner;
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
// Only local peers whose user can be told, and whose handshake carries no
// Origin header (no web page may drive the service), are served; frames and
// the number of clients are bounded. Reports reach every client; those made
// while no client was there are kept and given to the next one, unless that
// one starts afresh with "init: connection". A refusal or error goes only to
// the client that sent the command.
class ServiceServer : public QObject
{
    Q_OBJECT

public:
    static constexpr int maxSessions = 16;
    // So that one user's idle connections cannot shut out another's client.
    static constexpr int maxSessionsPerUser = 4;
    static constexpr int maxFrameSize = 64 * 1024;
    static constexpr int maxUndeliveredReports = 64;
    // How long a new client may be silent before it gets the kept reports.
    static constexpr int replayDelay = 2000;
    // Output is dropped, reports never, for a client that does not read.
    static constexpr qint64 maxUnsentBytes = 1024 * 1024;

    ServiceServer(const CommandPolicy &policy, ProcessRunner *runner, QObject *parent = nullptr);
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

    void onNewConnection();
    void onOriginAuthenticationRequired(QWebSocketCorsAuthenticator *authenticator);
    void onTextMessage(Session *session, const QString &text);
    void onBinaryMessage(Session *session);
    void onDisconnected(Session *session);
    void onReport(const QString &text);
    void onOutput(const QString &name, const QString &line);
    void makeReady(Session *session, bool startsAfresh);
    void handle(Session *session, const ServiceCommand &command);
    void send(Session *session, const QString &text);
    void refuse(QWebSocket *socket, const QString &reason);
    void info(const QString &text) const;
    void warning(const QString &text) const;

    CommandPolicy m_policy;
    ProcessRunner *m_runner;
    QWebSocketServer *m_server;
    QList<Session *> m_sessions;
    QStringList m_undelivered;
};
