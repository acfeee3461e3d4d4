#include "portchecker.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

namespace {
const QString loopback = QStringLiteral("127.0.0.1");

// A loopback port on which nothing listens: refused at once.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}
} // namespace

class TestPortChecker : public QObject
{
    Q_OBJECT

private slots:
    void networkPortsToString_data();
    void networkPortsToString();
    void firstSuccessOnly();
    void everySuccessWithoutStopOnFirst();
    void timeoutWhenNothingAnswers();
    void ownerMayDeleteOnSuccess();
};

void TestPortChecker::networkPortsToString_data()
{
    QTest::addColumn<QList<quint16>>("ports");
    QTest::addColumn<QString>("text");
    QTest::newRow("two") << QList<quint16> {443, 80} << "443, 80";
    QTest::newRow("one") << QList<quint16> {1194} << "1194";
    QTest::newRow("none") << QList<quint16> {} << "";
}

void TestPortChecker::networkPortsToString()
{
    QFETCH(QList<quint16>, ports);
    QFETCH(QString, text);
    QCOMPARE(::networkPortsToString(ports), text);
}

void TestPortChecker::firstSuccessOnly()
{
    QTcpServer first;
    QTcpServer second;
    QVERIFY(first.listen(QHostAddress::LocalHost));
    QVERIFY(second.listen(QHostAddress::LocalHost));
    const QList<quint16> ports = {closedPort(), first.serverPort(), second.serverPort()};

    PortChecker checker(loopback, ports, 1);
    QSignalSpy available(&checker, &PortChecker::portIsAvailable);
    QSignalSpy timeout(&checker, &PortChecker::timeout);
    QTest::ignoreMessage(QtInfoMsg, qPrintable("PortChecker: Checking: " + ::networkPortsToString(ports)));
    checker.start(true);
    QVERIFY(available.wait(5000));
    QCOMPARE(available.count(), 1);
    const quint16 port = available.at(0).at(0).value<quint16>();
    QVERIFY(port == first.serverPort() || port == second.serverPort());

    // No second report, and the success stopped the timer.
    QVERIFY(!timeout.wait(1500));
    QCOMPARE(available.count(), 1);
}

void TestPortChecker::everySuccessWithoutStopOnFirst()
{
    QTcpServer first;
    QTcpServer second;
    QVERIFY(first.listen(QHostAddress::LocalHost));
    QVERIFY(second.listen(QHostAddress::LocalHost));

    PortChecker checker(loopback, {first.serverPort(), closedPort(), second.serverPort()}, 5);
    QSignalSpy available(&checker, &PortChecker::portIsAvailable);
    QSignalSpy timeout(&checker, &PortChecker::timeout);
    checker.start(false);
    QTRY_COMPARE(available.count(), 2);
    QList<quint16> reported
        = {available.at(0).at(0).value<quint16>(), available.at(1).at(0).value<quint16>()};
    std::sort(reported.begin(), reported.end());
    QList<quint16> expected = {first.serverPort(), second.serverPort()};
    std::sort(expected.begin(), expected.end());
    QCOMPARE(reported, expected);
    QCOMPARE(timeout.count(), 0);
}

void TestPortChecker::timeoutWhenNothingAnswers()
{
    PortChecker checker(loopback, {closedPort(), closedPort()}, 1);
    QSignalSpy available(&checker, &PortChecker::portIsAvailable);
    QSignalSpy timeout(&checker, &PortChecker::timeout);
    checker.start(true);
    QVERIFY(timeout.wait(5000));
    QCOMPARE(timeout.count(), 1);
    QCOMPARE(available.count(), 0);
}

void TestPortChecker::ownerMayDeleteOnSuccess()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    auto *checker = new PortChecker(loopback, {server.serverPort()}, 1);
    QPointer<PortChecker> guard(checker);
    quint16 reported = 0;
    connect(checker, &PortChecker::portIsAvailable, this, [&](quint16 port) {
        reported = port;
        delete checker;
    });
    checker->start(true);
    QTRY_VERIFY(!guard);
    QCOMPARE(reported, server.serverPort());
}

QTEST_GUILESS_MAIN(TestPortChecker)
#include "test_portchecker.moc"
