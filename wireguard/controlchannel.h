#pragma once

#include <QObject>
#include <QTcpSocket>

// The engine's side of the control connection to the client, which listens
// on 127.0.0.1. Lines go out as ">STATE:..." and ">BYTECOUNT:..."; the
// requests understood are "signal SIGTERM" and "pid" (answered with
// "SUCCESS: pid=N", as OpenVPN does, so the client can tell that its peer is
// the engine the service started for it).
//
// The engine serves one user: the listening end of the connection must be a
// socket of that user, or the engine hangs up before it sends anything.
class ControlChannel : public QObject
{
    Q_OBJECT

public:
    explicit ControlChannel(QObject *parent = nullptr);

    // False with a reason when the port cannot be reached or its listener is not the user's.
    bool connectTo(quint16 port, uint servedUid, int timeoutMs, QString *error);
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
