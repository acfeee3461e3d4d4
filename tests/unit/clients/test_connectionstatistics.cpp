#include "connectionstatistics.h"

#include <QtTest>

class TestConnectionStatistics : public QObject
{
    Q_OBJECT

private slots:
    void stringToValue_data();
    void stringToValue();
    void fromTexts();
};

void TestConnectionStatistics::stringToValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint64>("value");
    QTest::addColumn<bool>("parseError");
    QTest::newRow("bytes") << "12 B" << quint64(12) << false;
    QTest::newRow("fraction of MiB") << "1.5 MiB" << quint64(1572864) << false;
    QTest::newRow("KiB") << "2 KiB" << quint64(2048) << false;
    QTest::newRow("GiB") << "3 GiB" << quint64(3221225472ULL) << false;
    QTest::newRow("TiB") << "1 TiB" << quint64(1099511627776ULL) << false;
    // Single precision: the low digits of a large count are lost.
    QTest::newRow("single precision") << "16777217 B" << quint64(16777216) << false;
    QTest::newRow("no space") << "12B" << quint64(0) << true;
    QTest::newRow("lower-case unit") << "12 kib" << quint64(0) << true;
    QTest::newRow("no unit") << "12" << quint64(0) << true;
    QTest::newRow("empty") << "" << quint64(0) << true;
    QTest::newRow("not a number") << "many B" << quint64(0) << false;
    QTest::newRow("negative") << "-5 KiB" << quint64(0) << false;
    QTest::newRow("infinite") << "inf TiB" << quint64(0) << false;
    QTest::newRow("beyond the counter") << "99999999999 TiB" << std::numeric_limits<quint64>::max() << false;
}

void TestConnectionStatistics::stringToValue()
{
    QFETCH(QString, text);
    QFETCH(quint64, value);
    QFETCH(bool, parseError);
    if (parseError)
        QTest::ignoreMessage(QtCriticalMsg,
                             qPrintable(QStringLiteral("ConnectionStatistics: Parse error, %1").arg(text)));
    QCOMPARE(ConnectionStatistics::stringToValue(text), value);
}

void TestConnectionStatistics::fromTexts()
{
    const ConnectionStatistics statistics(QStringLiteral("1 KiB"), QStringLiteral("7 B"));
    QCOMPARE(statistics.received(), quint64(1024));
    QCOMPARE(statistics.sent(), quint64(7));
    QCOMPARE(ConnectionStatistics().received(), quint64(0));
    QCOMPARE(ConnectionStatistics().sent(), quint64(0));
    QCOMPARE(ConnectionStatistics::convert(QStringLiteral("1 B 2 B"), QStringLiteral(" B")),
             QStringLiteral("1 2"));
}

QTEST_GUILESS_MAIN(TestConnectionStatistics)
#include "test_connectionstatistics.moc"
