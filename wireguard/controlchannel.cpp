#include "controlchannel.h"

#include "socketowner.h"

#include <QCoreApplication>
#include <QHostAddress>

ControlChannel::ControlChannel(QObject *parent) : QObject(parent)
{
    connect(&m_socket, &QTcpSocket::readyRead, this, &ControlChannel::onReadyRead);
    connect(&m_socket, &QTcpSocket::disconnected, this, &ControlChannel::lost);
}

bool ControlChannel::connectTo(quint16 port, uint servedUid, int timeoutMs, QString *error)
{
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    if (!m_socket.waitForConnected(timeoutMs)) {
        *error = QStringLiteral("Cannot connect to the control port %1").arg(port);
        return false;
    }
    // The accepted end of exactly this connection belongs to whoever listens.
    uint owner = 0;
    if (!SocketOwner::uid(m_socket.peerAddress(), m_socket.peerPort(), m_socket.localAddress(),
                          m_socket.localPort(), &owner)
        || owner != servedUid) {
        m_socket.disconnect(this);
        m_socket.abort();
        *error = QStringLiteral("The control port %1 is not a socket of user %2")
                     .arg(QString::number(port), QString::number(servedUid));
        return false;
    }
    return true;
}

void ControlChannel::sendLine(const QString &line)
{
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    m_socket.write(line.toUtf8() + "\r\n");
    m_socket.flush();
}

void ControlChannel::sendState(const QString &state)
{
    sendLine(QStringLiteral(">STATE:") + state);
}

void ControlChannel::sendError(const QString &message)
{
    // The client splits the line at ':' and takes the third field as the message.
    QString text = message.simplified();
    text.replace(QLatin1Char(':'), QLatin1Char(' '));
    sendState(QStringLiteral("ERROR:") + text);
    m_socket.waitForBytesWritten(1000);
}

QString ControlChannel::sizeText(quint64 bytes)
{
    static const char *units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024.0 && unit < 4) {
        value /= 1024.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 2).arg(QLatin1String(units[unit]));
}

void ControlChannel::sendByteCount(quint64 received, quint64 sent)
{
    sendLine(QStringLiteral(">BYTECOUNT:%1, %2").arg(sizeText(received), sizeText(sent)));
}

void ControlChannel::onReadyRead()
{
    m_buffer += m_socket.readAll();
    int end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        const QByteArray line = m_buffer.left(end).trimmed();
        m_buffer.remove(0, end + 1);
        if (line == "signal SIGTERM")
            emit terminateRequested();
        else if (line == "pid")
            sendLine(QStringLiteral("SUCCESS: pid=%1").arg(QCoreApplication::applicationPid()));
    }
    if (m_buffer.size() > maxLineLength)
        m_buffer.clear();
}
