#include "multiping.h"

#include "nativeping.h"
#include "pingunix.h"

#include <QtGlobal>

#include <algorithm>
#include <limits>

#include <sys/resource.h>

namespace {

constexpr int probeTimeoutMs = 1000;
constexpr int echoRequestCount = 1;
// Descriptors one probe holds: its socket, its thread's event-loop wake-up, and one spare.
constexpr rlim_t descriptorsPerProbe = 3;
// Descriptors left for the rest of the client.
constexpr rlim_t reservedDescriptors = 256;

} // namespace

MultiPing::MultiPing(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("MultiPing"));
}

MultiPing::~MultiPing()
{
    // Cancel all first so that the probes wind down together, then wait for each.
    for (const auto &probe : qAsConst(m_probes)) {
        probe.second->kill();
    }
    while (!m_probes.isEmpty()) {
        delete m_probes.takeLast().second;
    }
}

int MultiPing::maxProbesInFlight()
{
    static const int maximum = [] {
        // Running out of descriptors would not merely fail a probe: a thread that
        // cannot create its event-loop wake-up ends the process. The soft limit is
        // raised as far as the hard limit allows, and the rest waits its turn.
        rlimit limit {};
        if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
            return 256;
        }
        if (limit.rlim_cur < limit.rlim_max) {
            rlimit raised = limit;
            raised.rlim_cur = limit.rlim_max;
            if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
                limit = raised;
            }
        }
        const rlim_t available = limit.rlim_cur > 2 * reservedDescriptors
            ? limit.rlim_cur - reservedDescriptors
            : limit.rlim_cur / 2;
        const rlim_t probes = available / descriptorsPerProbe;
        return int(qBound<rlim_t>(1, probes, rlim_t(std::numeric_limits<int>::max())));
    }();
    return maximum;
}

void MultiPing::sendRequest(const QStringList &list)
{
    m_batch.clear();
    for (const QString &ip : list) {
        sendRequest(ip);
    }
}

void MultiPing::sendRequest(const QString &ip)
{
    if (m_probes.size() >= maxProbesInFlight()) {
        m_waiting.append(ip);
        return;
    }
    startProbe(ip);
}

void MultiPing::startProbe(const QString &ip)
{
    auto *probe = new NativePing;
    m_probes.append(qMakePair(ip, probe));
    connect(probe, &NativePing::finished, this, &MultiPing::onPingFinished);
    probe->start(ip, probeTimeoutMs, echoRequestCount);
}

void MultiPing::onPingFinished(bool success, uint value)
{
    QObject *probe = sender();
    const auto found
        = std::find_if(m_probes.begin(), m_probes.end(),
                       [probe](const QPair<QString, NativePing *> &pair) { return pair.second == probe; });
    if (found == m_probes.end()) {
        return;
    }
    const QString ip = found->first;
    const uint result = success ? value : PingUnix::failedValue;
    const bool batchComplete = m_probes.size() == 1 && m_waiting.isEmpty();

    // The pair leaves the list before any signal goes out, so that a receiver
    // that starts the next batch finds a consistent list.
    m_probes.erase(found);
    // The probe is still delivering this signal; it goes once that has returned
    // (its destructor waits for the worker thread, which has nothing left to do).
    probe->deleteLater();

    m_pending.append(qMakePair(result, ip));
    m_batch.append(QStringLiteral("%1:%2").arg(ip).arg(result));

    if (!m_waiting.isEmpty()) {
        startProbe(m_waiting.takeFirst());
    }
    if (!batchComplete) {
        return;
    }

    std::sort(m_pending.begin(), m_pending.end());
    const auto ranked = m_pending;
    m_pending.clear();
    for (const auto &entry : ranked) {
        // A failed probe's 100000 does not fit the signal's 16 bits; it is
        // reported as the largest value rather than wrapped to a plausible time.
        emit requestFinished(entry.second,
                             ushort(qMin<uint>(entry.first, std::numeric_limits<ushort>::max())));
    }
    const QStringList batch = m_batch;
    emit lastRequestFinished(batch);
}
