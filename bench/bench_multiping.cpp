// Probes N loopback addresses (127.0.0.0/8, answered by the kernel) in one
// batch and reports the wall time to lastRequestFinished as a ratio to the
// probe limit of 1000 ms, the peak thread count and the peak memory.
//
//   bench_multiping N
//
// One line of key=value pairs on standard output.

#include "multiping.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include <unistd.h>

namespace {

constexpr double probeLimitMs = 1000.0;

// A field of /proc/self/status in its own unit (kB for memory).
qint64 statusField(const char *name)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray prefix = QByteArray(name) + ':';
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).simplified().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = app.arguments().value(1).toInt();
    if (count <= 0 || count > 65000) {
        std::fprintf(stderr, "usage: bench_multiping N   (1 <= N <= 65000)\n");
        return 2;
    }

    QStringList addresses;
    for (int i = 1; i <= count; ++i) {
        addresses.append(QStringLiteral("127.1.%1.%2").arg(i / 256).arg(i % 256));
    }

    const qint64 threadsBefore = statusField("Threads");
    const qint64 hwmBefore = statusField("VmHWM");

    std::atomic<bool> sampling {true};
    std::atomic<qint64> peakThreads {threadsBefore};
    std::thread sampler([&] {
        while (sampling.load()) {
            const qint64 threads = statusField("Threads");
            if (threads > peakThreads.load()) {
                peakThreads.store(threads);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });

    MultiPing prober;
    QElapsedTimer clock;
    qint64 wallMs = -1;
    int answered = 0;
    int failed = 0;
    QObject::connect(&prober, &MultiPing::lastRequestFinished, &app, [&](const QStringList &data) {
        wallMs = clock.elapsed();
        for (const QString &entry : data) {
            if (entry.endsWith(QLatin1String(":100000"))) {
                ++failed;
            } else {
                ++answered;
            }
        }
        app.quit();
    });
    // Bounded run: a batch that never completes ends the benchmark after 60 s.
    QTimer::singleShot(60000, &app, [&] { app.exit(1); });

    clock.start();
    prober.sendRequest(addresses);
    const qint64 startedMs = clock.elapsed();
    const int status = app.exec();

    sampling.store(false);
    sampler.join();
    const qint64 hwmAfter = statusField("VmHWM");

    std::printf("n=%d socket=%s wall_ms=%lld ratio_to_limit=%.3f start_all_ms=%lld answered=%d failed=%d "
                "threads_before=%lld "
                "threads_peak=%lld hwm_before_kib=%lld hwm_after_kib=%lld growth_per_probe_kib=%.1f "
                "max_in_flight=%d status=%d\n",
                count, geteuid() == 0 ? "raw" : "datagram", static_cast<long long>(wallMs),
                wallMs / probeLimitMs, static_cast<long long>(startedMs), answered, failed,
                static_cast<long long>(threadsBefore), static_cast<long long>(peakThreads.load()),
                static_cast<long long>(hwmBefore), static_cast<long long>(hwmAfter),
                double(hwmAfter - hwmBefore) / count, MultiPing::maxProbesInFlight(), status);
    return status;
}
