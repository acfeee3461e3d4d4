#pragma once

#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpSocket>

// An engine's side of a client's control connection (OpenVPN's management
// interface, the WireGuard engine), played by a test: it connects to the
// client's local server, sends what the test scripts, and keeps what the
// client writes, both as raw bytes and as whole lines. Like both engines it
// answers the client's "pid" with its process id (the one the test reports
// in "started:"); that exchange is not kept.
class EnginePeer : public QObject
{
public:
    static constexpr qint64 defaultPid = 4242;

    explicit EnginePeer(qint64 processId = defaultPid) : pid(processId)
    {
        connect(&socket, &QTcpSocket::readyRead, this, [this] {
            buffer += socket.readAll();
            for (int end = buffer.indexOf('\n'); end >= 0; end = buffer.indexOf('\n')) {
                const QByteArray line = buffer.left(end + 1);
                buffer.remove(0, end + 1);
                if (line.trimmed() == "pid" && pid > 0) {
                    send("SUCCESS: pid=" + QByteArray::number(pid) + "\r\n");
                    continue;
                }
                bytes += line;
                lines << QString::fromUtf8(line).trimmed();
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

    qint64 pid;
    QTcpSocket socket;
    QByteArray bytes; // everything the client wrote, in whole lines
    QByteArray buffer; // the part of the last line not yet ended
    QStringList lines;
};
