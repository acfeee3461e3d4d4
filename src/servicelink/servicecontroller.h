#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QTimer;
class QWebSocket;

// The one link to the vpn-service: a WebSocket to 127.0.0.1 that is reopened
// every check interval while it is down. Commands given while the link is down
// are kept and sent, oldest first, right after the next connection. Every text
// message of the service is passed on through processOutput().
//
// The application builds exactly one controller; everything else reaches it
// through instance(), which returns the newest one. The port and the interval
// are parameters so that tests can run a controller against a server of their
// own; the application uses the defaults.
class ServiceController : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 defaultPort = 6457;
    static constexpr int defaultCheckInterval = 3000;

    // An inactive controller (theme editor) has no socket and no timer and
    // ignores every command.
    explicit ServiceController(bool active, QObject *parent = nullptr, quint16 port = defaultPort,
                               int checkInterval = defaultCheckInterval);
    ~ServiceController() override;

    static ServiceController *instance();

    void sendCommand(const QString &command);
    void sendInitCommand();
    void sendTextMessage(const QString &text);
    void flush();
    void forceQuit();

    bool isConnected() const { return m_connected; }
    bool isForceQuit() const;

public slots:
    void abortConnection();
    void checkConnectionTimer();
    void initialize();
    void onConnected();
    void onTextMessageReceived(const QString &message);
    void onWebSocketError(QAbstractSocket::SocketError error);
    void sendInitialConnectionStatus();

signals:
    void connected();
    void disconnected();
    void initialConnectionStatusChanged();
    void processOutput(const QString &message);

private:
    void openConnection();
    void onSocketDisconnected();
    void info(const QString &text) const;

    static QPointer<ServiceController> s_instance;

    quint16 m_port = defaultPort;
    int m_checkInterval = defaultCheckInterval;
    QStringList m_buffer;
    QTimer *m_checkTimer = nullptr;
    QWebSocket *m_socket = nullptr;
    bool m_initialStatusSent = false;
    bool m_initCommandSent = false;
    bool m_messagesWired = false;
    bool m_connected = false;
};
