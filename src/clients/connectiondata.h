#pragma once

#include "networkprotocol.h"

#include <QMetaType>
#include <QString>

// What a protocol client needs to know to connect: the account's VPN
// credentials, the server, the engine and port, and the user's choices.
class ConnectionData
{
public:
    ConnectionData() = default;
    ConnectionData(const QString &userName, const QString &password, const QString &server,
                   NetworkProtocol protocol, quint16 port, bool reconnectOnError, bool ipv6Enabled);

    QString userName() const { return m_userName; }
    QString password() const { return m_password; }
    QString server() const { return m_server; }
    NetworkProtocol networkProtocol() const { return m_protocol; }
    quint16 port() const { return m_port; }
    bool reconnectOnError() const { return m_reconnectOnError; }
    bool ipv6Enabled() const { return m_ipv6Enabled; }

    // A client switches reconnection off for itself, e.g. after the server refused the credentials.
    void setReconnectOnError(bool enabled) { m_reconnectOnError = enabled; }

private:
    QString m_userName;
    QString m_password;
    QString m_server;
    NetworkProtocol m_protocol = NetworkProtocol::UDP;
    quint16 m_port = 0;
    bool m_reconnectOnError = false;
    bool m_ipv6Enabled = false;
};

Q_DECLARE_METATYPE(ConnectionData)
