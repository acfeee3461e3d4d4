#pragma once

#include <QBasicTimer>
#include <QObject>

class QNetworkReply;

// Time limit of one request: a child of its reply that closes the reply when
// the time runs out, so the reply finishes with an "operation cancelled"
// error and takes the error path of its receiver. It goes with the reply.
class NetworkReplyTimeout : public QObject
{
    Q_OBJECT

public:
    // Attaches a limit to the reply; the timer runs only when the reply is
    // still running.
    static void set(QNetworkReply *reply, int milliseconds);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    NetworkReplyTimeout(QNetworkReply *reply, int milliseconds);

    QBasicTimer m_timer;
};
