#include "pingworker.h"

PingWorker::PingWorker(QObject *parent) : QObject(parent)
{
    // Both ends run in the worker thread (kill() is thread-safe), so neither
    // waits for another thread's event loop.
    connect(this, &PingWorker::cancelWorkSignal, &m_ping, &PingUnix::kill, Qt::DirectConnection);
    connect(&m_ping, &PingUnix::finished, this, &PingWorker::finishedHandler, Qt::DirectConnection);
}

void PingWorker::cancelRunningProbe()
{
    m_ping.kill();
}

void PingWorker::doWork(const QString &ip, int timeoutToWaitReplyFromPing, int countEchoRequestsToSend)
{
    m_ping.start(ip, timeoutToWaitReplyFromPing, countEchoRequestsToSend);
}

void PingWorker::cancelWork()
{
    emit cancelWorkSignal();
}

void PingWorker::finishedHandler(bool success, uint value)
{
    emit finished(success, value);
}
