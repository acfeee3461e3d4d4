#include "ringlog.h"
#include "wireguardlogger.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The engine's RingLog is the real producer of the files read here.
class TestWireGuardLogger : public QObject
{
    Q_OBJECT

private slots:
    void readsRecordsInFileOrder();
    void fullTextFieldWithoutNul();
    void badHeaders_data();
    void badHeaders();
    void shortLastRecordIsSkipped();
    void followsTheFile();
};

namespace {
QString timeText(qint64 ns)
{
    return QDateTime::fromSecsSinceEpoch(ns / 1000000000)
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QByteArray header(qint32 count, quint32 magic = RingLog::magic)
{
    QByteArray bytes(8, '\0');
    qToLittleEndian<quint32>(magic, bytes.data());
    qToLittleEndian<qint32>(count, bytes.data() + 4);
    return bytes;
}
} // namespace

void TestWireGuardLogger::readsRecordsInFileOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wg.ring"));
    RingLog ring;
    QVERIFY(ring.open(path));
    const qint64 first = Q_INT64_C(1700000000999999999);
    const qint64 second = Q_INT64_C(1700000100000000000);
    ring.write(first, QStringLiteral("Interface up"));
    ring.write(second, QStringLiteral("Handshake completed"));

    WireGuardLogger logger;
    QSignalSpy lines(&logger, &WireGuardLogger::lineReaded);
    QSignalSpy count(&logger, &WireGuardLogger::lineCount);
    logger.setFile(path);
    QVERIFY(logger.isOpen());
    logger.read();
    QCOMPARE(count.count(), 1);
    QCOMPARE(count.at(0).at(0).toInt(), 2);
    QCOMPARE(lines.count(), 2);
    QCOMPARE(lines.at(0).at(0).toString(), timeText(first) + QStringLiteral(" Interface up"));
    QCOMPARE(lines.at(1).at(0).toString(), timeText(second) + QStringLiteral(" Handshake completed"));
    // Nothing new: a second read yields nothing.
    logger.read();
    QCOMPARE(lines.count(), 2);
}

void TestWireGuardLogger::fullTextFieldWithoutNul()
{
    WireGuardLogger logger;
    QSignalSpy lines(&logger, &WireGuardLogger::lineReaded);
    QVERIFY(logger.readBytes(header(1) + RingLog::record(0, QString(512, QLatin1Char('y')))));
    QCOMPARE(lines.count(), 1);
    QCOMPARE(lines.at(0).at(0).toString(), timeText(0) + QLatin1Char(' ') + QString(512, QLatin1Char('y')));
}

void TestWireGuardLogger::badHeaders_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("three bytes") << header(1).left(3);
    QTest::newRow("wrong magic") << header(1, 0xDEADBEEF) + RingLog::record(0, QStringLiteral("x"));
    QTest::newRow("negative count") << header(-1) + RingLog::record(0, QStringLiteral("x"));
    QTest::newRow("magic only") << header(1).left(5);
}

void TestWireGuardLogger::badHeaders()
{
    QFETCH(QByteArray, data);
    WireGuardLogger logger;
    QSignalSpy lines(&logger, &WireGuardLogger::lineReaded);
    QTest::ignoreMessage(QtCriticalMsg, "WireGuardLogger: Cannot read header!");
    QVERIFY(!logger.readBytes(data));
    QCOMPARE(lines.count(), 0);
}

void TestWireGuardLogger::shortLastRecordIsSkipped()
{
    WireGuardLogger logger;
    QSignalSpy lines(&logger, &WireGuardLogger::lineReaded);
    const QByteArray data = header(3) + RingLog::record(0, QStringLiteral("a"))
        + RingLog::record(0, QStringLiteral("b")) + RingLog::record(0, QStringLiteral("c")).left(100);
    QVERIFY(logger.readBytes(data));
    QCOMPARE(lines.count(), 2);
}

void TestWireGuardLogger::followsTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wg.ring"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(header(1) + RingLog::record(0, QStringLiteral("one")));
    file.flush();

    WireGuardLogger logger;
    QSignalSpy lines(&logger, &WireGuardLogger::lineReaded);
    logger.setFile(path);
    logger.read();
    QCOMPARE(lines.count(), 1);
    // Appended bytes are read as if they began with a header.
    file.write(header(1) + RingLog::record(0, QStringLiteral("two")));
    file.flush();
    QTRY_COMPARE(lines.count(), 2);
    QVERIFY(lines.at(1).at(0).toString().endsWith(QLatin1String(" two")));

    QTest::ignoreMessage(
        QtCriticalMsg,
        QRegularExpression(QStringLiteral("^WireGuardLogger: Can't open file '.*/missing'!$")));
    logger.setFile(dir.filePath(QStringLiteral("missing")));
    QVERIFY(!logger.isOpen());
}

QTEST_GUILESS_MAIN(TestWireGuardLogger)
#include "test_wireguardlogger.moc"
