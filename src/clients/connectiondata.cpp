#include "connectiondata.h"

ConnectionData::ConnectionData(const QString &userName, const QString &password, const QString &server,
                               NetworkProtocol protocol, quint16 port, bool reconnectOnError,
                               bool ipv6Enabled)
    : m_userName(userName),
      m_password(password),
      m_server(server),
      m_protocol(protocol),
      m_port(port),
      m_reconnectOnError(reconnectOnError),
      m_ipv6Enabled(ipv6Enabled)
{ }
