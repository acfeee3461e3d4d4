#pragma once

#include "pingunix.h"

#include <QObject>

// Lives in a probe's worker thread and runs the blocking probe there.
// Its PingUnix is a member, not a child: it keeps the affinity of the thread
// that created the worker.
class PingWorker : public QObject
{
    Q_OBJECT
public:
    explicit PingWorker(QObject *parent = nullptr);

    // Thread-safe, callable from any thread: a running probe ends within one
    // 10 ms turn without a result. cancelWork() would only be delivered once the
    // probe has returned, since the probe occupies this worker's thread.
    void cancelRunningProbe();

public slots:
    void doWork(const QString &ip, int timeoutToWaitReplyFromPing, int countEchoRequestsToSend);
    void cancelWork();
    void finishedHandler(bool success, uint value);

signals:
    void finished(bool success, uint value);
    void cancelWorkSignal();

private:
    PingUnix m_ping;
};
