#pragma once

#include <QObject>
#include <QString>
#include <QThread>

class PingWorker;

// One ICMP echo probe as seen from the caller's thread: create, start once,
// delete after finished(). The probe itself runs in a worker thread owned by
// this object. A probe that cannot be made, or gets no reply within its limit,
// finishes with success false and the value 100000.
//
// Deleting a NativePing cancels a running probe (it ends within about 10 ms,
// without a result) and waits for the worker thread to end.
class NativePing : public QObject
{
    Q_OBJECT
public:
    explicit NativePing(QObject *parent = nullptr);
    ~NativePing() override;

    void start(const QString &ip, int timeoutToWaitReplyFromPing, int countEchoRequestsToSend);

public slots:
    void kill();
    void onWorkerThreadFinished(bool success, uint value);

signals:
    void finished(bool success, uint value);
    void operate(const QString &ip, int timeoutToWaitReplyFromPing, int countEchoRequestsToSend);
    void cancelWork();

private:
    QThread m_workerThread;
    PingWorker *m_worker = nullptr;
    bool m_threadStarted = false;
};
