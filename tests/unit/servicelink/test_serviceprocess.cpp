#include "fakeservice.h"
#include "servicecontroller.h"
#include "serviceprocess.h"

#include <QSignalSpy>
#include <QtTest>

class TestServiceProcess : public QObject
{
    Q_OBJECT

private slots:
    void startCommand_data();
    void startCommand();
    void startSendsCommandAndStarts();
    void reports_data();
    void reports();
    void reportsReachOnlyTheirTag();
};

void TestServiceProcess::startCommand_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("command");

    QTest::newRow("program and two arguments") << QStringList {"/opt/vpn/dns", "vpn", "eth0@172.16.0.1,"}
                                               << R"(start: "/opt/vpn/dns" "vpn" "eth0@172.16.0.1,")";
    QTest::newRow("argument with a blank stays one word")
        << QStringList {"/opt/vpn/dns", "user", "a b"} << R"(start: "/opt/vpn/dns" "user" "a b")";
    QTest::newRow("empty argument") << QStringList {"/opt/vpn/killswitch", "enable", "all", "10.0.0.1", ""}
                                    << R"(start: "/opt/vpn/killswitch" "enable" "all" "10.0.0.1" "")";
    QTest::newRow("inner quote not escaped")
        << QStringList {"/p", "say \"hi\""} << R"(start: "/p" "say "hi"")";
    QTest::newRow("program alone") << QStringList {"/p"} << R"(start: "/p")";
}

void TestServiceProcess::startCommand()
{
    QFETCH(QStringList, words);
    QTEST(ServiceProcess::startCommand(words), "command");
}

void TestServiceProcess::startSendsCommandAndStarts()
{
    FakeService service;
    ServiceController controller(true, nullptr, service.port(), 300);
    ServiceProcess process(QStringLiteral("dns"));
    QCOMPARE(process.objectName(), QStringLiteral("dns"));
    QCOMPARE(process.state(), ServiceProcess::NotRunning);

    process.start(QStringList {QStringLiteral("/opt/vpn/dns"), QStringLiteral("reset")});
    QCOMPARE(process.state(), ServiceProcess::Starting);
    process.sendCommand(QStringLiteral("raw"));
    process.stop(QStringLiteral("stop: <dns>"));
    QCOMPARE(process.state(), ServiceProcess::Starting);
    QTRY_COMPARE(
        service.frames,
        (QStringList {"init: connection", R"(start: "/opt/vpn/dns" "reset")", "raw", "stop: <dns>"}));
}

void TestServiceProcess::reports_data()
{
    QTest::addColumn<int>("initialState");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<int>("value");

    const int notRunning = ServiceProcess::NotRunning;
    const int starting = ServiceProcess::Starting;
    const int running = ServiceProcess::Running;
    QTest::newRow("started") << starting << "started:12,0,openvpn" << running << "started" << 0;
    QTest::newRow("failed to start") << starting << "started:0,2,openvpn" << notRunning << "error" << 2;
    QTest::newRow("finished with code")
        << running << "finished:12,1,openvpn" << notRunning << "finished" << 1;
    QTest::newRow("finished by a signal")
        << running << "finished:12,143,openvpn" << notRunning << "finished" << 143;
    QTest::newRow("finished without a start")
        << notRunning << "finished:12,0,openvpn" << notRunning << "finished" << 0;
    QTest::newRow("started while running") << running << "started:13,0,openvpn" << running << "started" << 0;
    QTest::newRow("other tag") << starting << "finished:12,1,dns" << starting << "" << 0;
    QTest::newRow("tag differs in case") << starting << "finished:12,1,OpenVPN" << starting << "" << 0;
    QTest::newRow("not a report") << running << "openvpn: finished:12,1,openvpn" << running << "" << 0;
}

void TestServiceProcess::reports()
{
    QFETCH(int, initialState);
    QFETCH(QString, message);
    QFETCH(QString, signal);
    QFETCH(int, value);

    ServiceController controller(false);
    ServiceProcess process(QStringLiteral("openvpn"));
    process.setState(static_cast<ServiceProcess::State>(initialState));
    QSignalSpy started(&process, &ServiceProcess::started);
    QSignalSpy error(&process, &ServiceProcess::error);
    QSignalSpy finished(&process, &ServiceProcess::finished);

    emit controller.processOutput(message);

    QTEST(static_cast<int>(process.state()), "state");
    QCOMPARE(started.count(), signal == QLatin1String("started") ? 1 : 0);
    QCOMPARE(error.count(), signal == QLatin1String("error") ? 1 : 0);
    QCOMPARE(finished.count(), signal == QLatin1String("finished") ? 1 : 0);
    if (signal == QLatin1String("error"))
        QCOMPARE(error.first().first().toInt(), value);
    if (signal == QLatin1String("finished"))
        QCOMPARE(finished.first().first().toInt(), value);
}

void TestServiceProcess::reportsReachOnlyTheirTag()
{
    ServiceController controller(false);
    ServiceProcess dns(QStringLiteral("dns"));
    ServiceProcess secondDns(QStringLiteral("dns"));
    ServiceProcess killSwitch(QStringLiteral("killswitch"));
    QSignalSpy dnsFinished(&dns, &ServiceProcess::finished);
    QSignalSpy secondDnsFinished(&secondDns, &ServiceProcess::finished);
    QSignalSpy killSwitchFinished(&killSwitch, &ServiceProcess::finished);

    emit controller.processOutput(QStringLiteral("finished:5,0,dns"));
    QCOMPARE(dnsFinished.count(), 1);
    QCOMPARE(secondDnsFinished.count(), 1);
    QCOMPARE(killSwitchFinished.count(), 0);
}

QTEST_GUILESS_MAIN(TestServiceProcess)
#include "test_serviceprocess.moc"
