#pragma once

#include <QObject>
#include <QTcpSocket>

// The engine's side of the control connection to the client, which listens
// on 127.0.0.1. Lines go out as ">STATE:..." and ">BYTECOUNT:..."; the only
// request understood is "signal SIGTERM".
class ControlChannel : public QObject
{
    Q_OBJECT

public:
    explicit ControlChannel(QObject *parent = nullptr);

    bool connectTo(quint16 port, int timeoutMs);
    void sendLine(const QString &line);
    void sendState(const QString &state);
    void sendError(const QString &message);
    void sendByteCount(quint64 received, quint64 sent);

    // "1.50 KiB": the units the client reads back ("B", "KiB", "MiB", "GiB", "TiB").
    static QString sizeText(quint64 bytes);

    static constexpr int maxLineLength = 4096;

signals:
    void terminateRequested();
    void lost();

private:
    void onReadyRead();

    QTcpSocket m_socket;
    QByteArray m_buffer;
};
