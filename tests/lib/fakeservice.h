#pragma once

#include <QHostAddress>
#include <QList>
#include <QStringList>
#include <QWebSocket>
#include <QWebSocketServer>

// An in-test stand-in for the vpn-service: a WebSocket server on a free
// loopback port that records every text frame and can answer or hang up.
class FakeService
{
public:
    FakeService() : m_server(QStringLiteral("fake"), QWebSocketServer::NonSecureMode)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QWebSocketServer::newConnection, &m_server, [this]() {
            while (QWebSocket *socket = m_server.nextPendingConnection()) {
                ++connections;
                clients.append(socket);
                QObject::connect(socket, &QWebSocket::textMessageReceived, &m_server,
                                 [this](const QString &text) { frames.append(text); });
            }
        });
    }

    quint16 port() const { return m_server.serverPort(); }

    void send(const QString &text) { clients.last()->sendTextMessage(text); }

    void hangUp()
    {
        for (QWebSocket *socket : qAsConst(clients))
            socket->abort();
    }

    int connections = 0;
    QStringList frames;
    QList<QWebSocket *> clients;

private:
    QWebSocketServer m_server;
};

// A port on which nobody listens (freed right after it was taken).
inline quint16 unusedPort()
{
    QWebSocketServer server(QStringLiteral("probe"), QWebSocketServer::NonSecureMode);
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}
