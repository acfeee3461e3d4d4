#include "nativeping.h"

#include "pingunix.h"
#include "pingworker.h"

NativePing::NativePing(QObject *parent) : QObject(parent), m_worker(new PingWorker)
{
    setObjectName(QStringLiteral("NativePing"));
    m_worker->moveToThread(&m_workerThread);
    connect(&m_workerThread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(this, &NativePing::operate, m_worker, &PingWorker::doWork);
    connect(this, &NativePing::cancelWork, m_worker, &PingWorker::cancelWork);
    connect(m_worker, &PingWorker::finished, this, &NativePing::onWorkerThreadFinished);
    m_workerThread.start(QThread::InheritPriority);
    m_threadStarted = m_workerThread.isRunning();
}

NativePing::~NativePing()
{
    if (!m_threadStarted) {
        // The thread could not be created: nothing else deletes the worker.
        delete m_worker;
        return;
    }
    m_worker->cancelRunningProbe();
    m_workerThread.quit();
    m_workerThread.wait();
}

void NativePing::start(const QString &ip, int timeoutToWaitReplyFromPing, int countEchoRequestsToSend)
{
    if (!m_threadStarted) {
        // Without its thread the probe would never report; its caller, a batch
        // waiting for every result, would wait for ever.
        QMetaObject::invokeMethod(
            this, [this] { emit finished(false, PingUnix::failedValue); }, Qt::QueuedConnection);
        return;
    }
    emit operate(ip, timeoutToWaitReplyFromPing, countEchoRequestsToSend);
}

void NativePing::kill()
{
    m_worker->cancelRunningProbe();
    emit cancelWork();
}

void NativePing::onWorkerThreadFinished(bool success, uint value)
{
    emit finished(success, value);
}
