#include "portchecker.h"

#include "tcpconnection.h"

#include <QDebug>
#include <QPointer>
#include <QStringList>
#include <QTimer>

QString networkPortsToString(const QList<quint16> &ports)
{
    QStringList texts;
    for (const quint16 port : ports)
        texts << QString::number(port);
    return texts.join(QStringLiteral(", "));
}

PortChecker::PortChecker(const QString &host, const QList<quint16> &ports, int timeoutSeconds,
                         QObject *parent)
    : QObject(parent),
      m_portsText(networkPortsToString(ports)),
      m_timer(new QTimer(this)),
      m_timeout(timeoutSeconds)
{
    setObjectName(QStringLiteral("PortChecker"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &PortChecker::onTimeout);
    for (const quint16 port : ports) {
        auto *connection = new TcpConnection(host, port, this);
        connect(connection, &TcpConnection::portIsAvailable, this, &PortChecker::onPortIsAvailable);
        m_connections << connection;
    }
}

PortChecker::~PortChecker()
{
    abort();
}

void PortChecker::start(bool stopOnFirst)
{
    m_stopOnFirst = stopOnFirst;
    m_finished = false;
    qInfo().noquote() << objectName() + QStringLiteral(": Checking: %1").arg(m_portsText);
    for (TcpConnection *connection : qAsConst(m_connections))
        connection->connectToHost();
    m_timer->start(m_timeout * 1000);
}

void PortChecker::abort()
{
    // The connection whose signal is being handled is deleted only after it returns.
    const QList<TcpConnection *> connections = m_connections;
    m_connections.clear();
    for (TcpConnection *connection : connections) {
        connection->disconnect(this);
        connection->abort();
        connection->deleteLater();
    }
}

void PortChecker::onPortIsAvailable(quint16 port)
{
    if (m_stopOnFirst && m_finished)
        return;
    qInfo().noquote() << objectName() + QStringLiteral(": Port '%1' is available").arg(port);
    const QPointer<PortChecker> self(this);
    emit portIsAvailable(port);
    if (!self)
        return;
    m_timer->stop();
    m_finished = true;
    if (m_stopOnFirst)
        abort();
}

void PortChecker::onTimeout()
{
    if (m_finished)
        return;
    qInfo().noquote() << objectName() + QStringLiteral(": Timeout");
    emit timeout();
}
