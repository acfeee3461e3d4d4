#include "multiping.h"

#include <QtTest>

#include <sys/resource.h>

// Batches of host texts that fail at once (no packet, no name lookup), so that
// the batch logic is seen without a network: ordering, merging, emptying and
// the end of every probe's thread.
class TestMultiPing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void badInputNeverStallsTheBatch();
    void rankingBreaksTiesByAddress();
    void emptyListStartsNothing();
    void backToBackBatchesMerge();
    void resultsKeptUntilTheNextBatch();
    void probesEndAfterTheirResult();
    void addressesBeyondTheDescriptorLimitWaitTheirTurn();
};

static const QStringList badHosts()
{
    return {QString(), QStringLiteral("::1"), QString(300, QLatin1Char('x')), QStringLiteral("no such host")};
}

static QStringList failedEntries(const QStringList &hosts)
{
    QStringList entries;
    for (const QString &host : hosts) {
        entries.append(host + QStringLiteral(":100000"));
    }
    return entries;
}

static qint64 threadCount()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("Threads:")) {
            return line.mid(8).trimmed().toLongLong();
        }
    }
    return -1;
}

// Before the first batch: a process allowed few descriptors (300), so that the
// batches here hold more addresses than may be probed at once.
void TestMultiPing::initTestCase()
{
    rlimit limit {300, 300};
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &limit), 0);
    QCOMPARE(MultiPing::maxProbesInFlight(), 50);
}

void TestMultiPing::badInputNeverStallsTheBatch()
{
    MultiPing prober;
    QSignalSpy last(&prober, &MultiPing::lastRequestFinished);
    prober.sendRequest(badHosts());
    QVERIFY(last.wait(10000));
    QCOMPARE(last.count(), 1);

    QStringList data = last.at(0).at(0).toStringList();
    QCOMPARE(data.size(), badHosts().size());
    // In order of arrival, which between probes failing together is not fixed.
    data.sort();
    QStringList expected = failedEntries(badHosts());
    expected.sort();
    QCOMPARE(data, expected);
}

void TestMultiPing::rankingBreaksTiesByAddress()
{
    MultiPing prober;
    QSignalSpy ranked(&prober, &MultiPing::requestFinished);
    QSignalSpy last(&prober, &MultiPing::lastRequestFinished);
    const QStringList hosts {QStringLiteral("b::"), QStringLiteral("B::"), QStringLiteral("a::"), QString()};
    prober.sendRequest(hosts);
    QVERIFY(last.wait(10000));

    QStringList order;
    for (const QList<QVariant> &signal : qAsConst(ranked)) {
        order.append(signal.at(0).toString());
        // A failed probe does not fit 16 bits; it reads as the largest value, not as a wrapped time.
        QCOMPARE(signal.at(1).value<ushort>(), ushort(65535));
    }
    // Equal values: by address, UTF-16 code units (upper case before lower case).
    QCOMPARE(order,
             QStringList({QString(), QStringLiteral("B::"), QStringLiteral("a::"), QStringLiteral("b::")}));
}

void TestMultiPing::emptyListStartsNothing()
{
    MultiPing prober;
    QSignalSpy last(&prober, &MultiPing::lastRequestFinished);
    prober.sendRequest(QStringList());
    // Only the batch that follows is reported.
    prober.sendRequest(QStringList {QStringLiteral("::1")});
    QVERIFY(last.wait(10000));
    QCOMPARE(last.count(), 1);
    QCOMPARE(last.at(0).at(0).toStringList(), QStringList {QStringLiteral("::1:100000")});
}

void TestMultiPing::backToBackBatchesMerge()
{
    MultiPing prober;
    QSignalSpy ranked(&prober, &MultiPing::requestFinished);
    QSignalSpy last(&prober, &MultiPing::lastRequestFinished);
    const QStringList first {QStringLiteral("::1"), QString()};
    const QStringList second {QStringLiteral("::2")};
    // No result can arrive in between: they are delivered through this thread's event loop.
    prober.sendRequest(first);
    prober.sendRequest(second);
    QVERIFY(last.wait(10000));
    QCOMPARE(last.count(), 1);
    QCOMPARE(last.at(0).at(0).toStringList().size(), 3);
    QCOMPARE(ranked.count(), 3);

    // A later batch is reported alone: the merged one left no pending result behind.
    prober.sendRequest(second);
    QVERIFY(last.wait(10000));
    QCOMPARE(last.count(), 2);
    QCOMPARE(last.at(1).at(0).toStringList(), failedEntries(second));
    QCOMPARE(ranked.count(), 4);
}

void TestMultiPing::resultsKeptUntilTheNextBatch()
{
    MultiPing prober;
    QSignalSpy last(&prober, &MultiPing::lastRequestFinished);
    prober.sendRequest(QStringList {QStringLiteral("::1")});
    QVERIFY(last.wait(10000));
    QCOMPARE(prober.results(), failedEntries({QStringLiteral("::1")}));

    prober.sendRequest(QStringList {QStringLiteral("::2")});
    QVERIFY(prober.results().isEmpty());
    QVERIFY(last.wait(10000));
    QCOMPARE(prober.results(), failedEntries({QStringLiteral("::2")}));
}

void TestMultiPing::probesEndAfterTheirResult()
{
    // Probes of earlier cases still waiting for deferred deletion go first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const qint64 before = threadCount();
    QVERIFY(before > 0);

    MultiPing prober;
    QSignalSpy last(&prober, &MultiPing::lastRequestFinished);
    QStringList hosts;
    for (int i = 0; i < 50; ++i) {
        hosts.append(QStringLiteral("::%1").arg(i));
    }
    prober.sendRequest(hosts);
    QVERIFY(last.wait(10000));
    QCOMPARE(last.at(0).at(0).toStringList().size(), hosts.size());
    // Every probe's worker thread ends once its result has been handled.
    QTRY_VERIFY_WITH_TIMEOUT(threadCount() <= before, 10000);
}

void TestMultiPing::addressesBeyondTheDescriptorLimitWaitTheirTurn()
{
    MultiPing prober;
    QSignalSpy ranked(&prober, &MultiPing::requestFinished);
    QSignalSpy last(&prober, &MultiPing::lastRequestFinished);
    QStringList hosts;
    for (int i = 0; i < 4 * MultiPing::maxProbesInFlight() + 7; ++i) {
        hosts.append(QStringLiteral("::%1").arg(i));
    }
    prober.sendRequest(hosts);
    QVERIFY(last.wait(20000));
    QCOMPARE(last.count(), 1);
    QStringList data = last.at(0).at(0).toStringList();
    data.sort();
    QStringList expected = failedEntries(hosts);
    expected.sort();
    QCOMPARE(data, expected);
    QCOMPARE(ranked.count(), hosts.size());
}

QTEST_GUILESS_MAIN(TestMultiPing)
#include "test_multiping.moc"
