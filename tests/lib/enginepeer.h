#pragma once

#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpSocket>

// An engine's side of a client's control connection (OpenVPN's management
// interface, the WireGuard engine), played by a test: it connects to the
// client's local server, sends what the test scripts, and keeps what the
// client writes, both as raw bytes and as whole lines.
class EnginePeer : public QObject
{
public:
    EnginePeer()
    {
        connect(&socket, &QTcpSocket::readyRead, this, [this] {
            const QByteArray data = socket.readAll();
            bytes += data;
            buffer += data;
            for (int end = buffer.indexOf('\n'); end >= 0; end = buffer.indexOf('\n')) {
                lines << QString::fromUtf8(buffer.left(end)).trimmed();
                buffer.remove(0, end + 1);
            }
        });
    }

    bool connectTo(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        return socket.waitForConnected(5000);
    }

    void send(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }

    QTcpSocket socket;
    QByteArray bytes; // everything the client wrote
    QByteArray buffer; // the part of the last line not yet ended
    QStringList lines;
};
