#include "tcpconnection.h"

#include <QTcpSocket>

TcpConnection::TcpConnection(const QString &host, quint16 port, QObject *parent)
    : QObject(parent), m_host(host), m_port(port), m_socket(new QTcpSocket(this))
{
    setObjectName(QStringLiteral("TcpConnection"));
    connect(m_socket, &QTcpSocket::connected, this, &TcpConnection::onConnected);
}

TcpConnection::~TcpConnection()
{
    m_socket->abort();
}

void TcpConnection::connectToHost()
{
    m_socket->connectToHost(m_host, m_port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
}

void TcpConnection::abort()
{
    m_socket->abort();
}

void TcpConnection::onConnected()
{
    emit portIsAvailable(m_socket->peerPort());
}
