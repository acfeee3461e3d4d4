#include "nativeping.h"
#include "pingunix.h"

#include <QtTest>

// Host texts that cannot name an IPv4 host fail at once, before any packet or
// name lookup, whatever rights the test runs with.
class TestNativePing : public QObject
{
    Q_OBJECT

private slots:
    void badHostFailsAtOnce_data();
    void badHostFailsAtOnce();
    void deletedBeforeItsResult();
};

void TestNativePing::badHostFailsAtOnce_data()
{
    QTest::addColumn<QString>("host");

    QTest::newRow("empty") << QString();
    QTest::newRow("IPv6") << QStringLiteral("::1");
    QTest::newRow("IPv6 mapped") << QStringLiteral("::ffff:127.0.0.1");
    QTest::newRow("overlong") << QString(300, QLatin1Char('a'));
    QTest::newRow("blank") << QStringLiteral(" ");
    QTest::newRow("URL") << QStringLiteral("https://192.0.2.7");
}

void TestNativePing::badHostFailsAtOnce()
{
    QFETCH(QString, host);

    NativePing probe;
    QSignalSpy finished(&probe, &NativePing::finished);
    // A limit far beyond the wait: the failure must not come from running out of time.
    probe.start(host, 60000, 1);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(finished.at(0).at(1).toUInt(), PingUnix::failedValue);
}

void TestNativePing::deletedBeforeItsResult()
{
    auto *probe = new NativePing;
    QSignalSpy finished(probe, &NativePing::finished);
    probe->start(QStringLiteral("::1"), 1000, 1);
    // Waits for the worker thread; the result still queued for the probe goes with it.
    delete probe;
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 0);
}

QTEST_GUILESS_MAIN(TestNativePing)
#include "test_nativeping.moc"
