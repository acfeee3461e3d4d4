#include "fakeservice.h"
#include "logcapture.h"
#include "servicecontroller.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

namespace {
// Short enough to keep the tests quick, long enough to see order.
constexpr int interval = 300;
const QString init = QStringLiteral("init: connection");
} // namespace

class TestServiceController : public QObject
{
    Q_OBJECT

private slots:
    void bufferedCommandsFollowInit();
    void reconnectionSendsNoSecondInit();
    void initialStatusOnceAfterConnection();
    void initialStatusOnceWithoutService();
    void initialStatusByTimerWhenNobodyAnswers();
    void receivedMessagesLoseTheirTerminator();
    void startCommandLoggedWithFileNames();
    void emptyCommandIsNotSent();
    void inactiveControllerDoesNothing();
    void forceQuitStopsEverything();
    void instanceIsTheNewestController();
};

void TestServiceController::bufferedCommandsFollowInit()
{
    FakeService service;
    ServiceController controller(true, nullptr, service.port(), interval);
    controller.sendCommand(QStringLiteral("first"));
    controller.sendCommand(QStringLiteral("second"));
    QTRY_COMPARE(service.frames, (QStringList {init, QStringLiteral("first"), QStringLiteral("second")}));
    QVERIFY(controller.isConnected());

    controller.sendCommand(QStringLiteral("third"));
    QTRY_COMPARE(service.frames.size(), 4);
    QCOMPARE(service.frames.last(), QStringLiteral("third"));
}

void TestServiceController::reconnectionSendsNoSecondInit()
{
    FakeService service;
    ServiceController controller(true, nullptr, service.port(), interval);
    QSignalSpy lost(&controller, &ServiceController::disconnected);
    QSignalSpy connected(&controller, &ServiceController::connected);
    QTRY_COMPARE(service.frames, QStringList {init});

    service.hangUp();
    QVERIFY(lost.wait());
    QVERIFY(!controller.isConnected());
    controller.sendCommand(QStringLiteral("while down"));

    QTRY_COMPARE(service.connections, 2);
    QTRY_COMPARE(service.frames, (QStringList {init, QStringLiteral("while down")}));
    QCOMPARE(connected.count(), 2);
    QCOMPARE(lost.count(), 1);

    // Messages still arrive on the reopened link.
    QSignalSpy output(&controller, &ServiceController::processOutput);
    service.send(QStringLiteral("finished:1,0,dns\n"));
    QVERIFY(output.wait());
    QCOMPARE(output.first().first().toString(), QStringLiteral("finished:1,0,dns"));
}

void TestServiceController::initialStatusOnceAfterConnection()
{
    FakeService service;
    ServiceController controller(true, nullptr, service.port(), interval);
    QSignalSpy status(&controller, &ServiceController::initialConnectionStatusChanged);
    QVERIFY(status.wait());
    QVERIFY(controller.isConnected());
    // Neither the start-up timer nor a reconnection signals it again.
    service.hangUp();
    QTRY_COMPARE(service.connections, 2);
    QVERIFY(!status.wait(2 * interval));
    QCOMPARE(status.count(), 1);
}

void TestServiceController::initialStatusOnceWithoutService()
{
    LogCapture log;
    ServiceController controller(true, nullptr, unusedPort(), interval);
    QSignalSpy status(&controller, &ServiceController::initialConnectionStatusChanged);
    QVERIFY(status.wait(interval / 2));
    QVERIFY(log.contains(QStringLiteral("ServiceController: Socket error: '")));
    // Reopening fails again and again; the status stays signalled once.
    QTRY_VERIFY(log.contains(QStringLiteral("ServiceController: Reopen connection")));
    QVERIFY(!status.wait(2 * interval));
    QCOMPARE(status.count(), 1);

    controller.sendCommand(QStringLiteral("later"));
    QVERIFY(log.contains(QStringLiteral("ServiceController: Socket status: 'false', last error: '")));
    QVERIFY(log.lines().last().endsWith(QStringLiteral("data will be buffered: later")));
}

void TestServiceController::initialStatusByTimerWhenNobodyAnswers()
{
    // A listener that never completes the handshake: no connection, no error.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    ServiceController controller(true, nullptr, silent.serverPort(), interval);
    QSignalSpy status(&controller, &ServiceController::initialConnectionStatusChanged);
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(status.wait());
    QVERIFY(elapsed.elapsed() >= interval - 50);
    QVERIFY(!controller.isConnected());
    QCOMPARE(status.count(), 1);
}

void TestServiceController::receivedMessagesLoseTheirTerminator()
{
    FakeService service;
    ServiceController controller(true, nullptr, service.port(), interval);
    QSignalSpy output(&controller, &ServiceController::processOutput);
    QTRY_VERIFY(controller.isConnected());

    LogCapture log;
    service.send(QStringLiteral("\n"));
    service.send(QStringLiteral("dns:  two   blanks\n"));
    service.send(QStringLiteral("started:7,0,openvpn\n"));
    QTRY_COMPARE(output.count(), 2);
    QCOMPARE(output.at(0).first().toString(), QStringLiteral("dns:  two   blanks"));
    QCOMPARE(output.at(1).first().toString(), QStringLiteral("started:7,0,openvpn"));
    QVERIFY(log.contains(QStringLiteral("ServiceController: Received data: []")));
    QVERIFY(log.contains(QStringLiteral("ServiceController: Received data: [dns: two blanks]")));
}

void TestServiceController::startCommandLoggedWithFileNames()
{
    FakeService service;
    ServiceController controller(true, nullptr, service.port(), interval);
    QTRY_VERIFY(controller.isConnected());

    LogCapture log;
    const QString command = QStringLiteral(
        "start: \"/opt/vpn/openvpn/bin/openvpn\" \"--config\" \"/home/u/.local/share/vpn/config/a.ovpn\"");
    controller.sendCommand(command);
    QTRY_COMPARE(service.frames.last(), command);
    QVERIFY(log.contains(QStringLiteral("ServiceController: Send data: [start: openvpn --config a.ovpn]")));
    QVERIFY(!log.contains(QStringLiteral("/opt/vpn")));
}

void TestServiceController::emptyCommandIsNotSent()
{
    FakeService service;
    ServiceController controller(true, nullptr, unusedPort(), interval);
    LogCapture log;
    controller.sendCommand(QString());
    QCOMPARE(log.lines(), QStringList {QStringLiteral("ServiceController: Invalid command")});
}

void TestServiceController::inactiveControllerDoesNothing()
{
    FakeService service;
    LogCapture log;
    ServiceController controller(false, nullptr, service.port(), interval);
    QSignalSpy status(&controller, &ServiceController::initialConnectionStatusChanged);
    controller.sendCommand(QStringLiteral("anything"));
    controller.sendInitCommand();
    controller.flush();
    QVERIFY(!status.wait(2 * interval));
    QCOMPARE(service.connections, 0);
    QVERIFY(log.lines().isEmpty());
    QVERIFY(!controller.isConnected());
}

void TestServiceController::forceQuitStopsEverything()
{
    FakeService service;
    ServiceController controller(true, nullptr, service.port(), interval);
    QSignalSpy status(&controller, &ServiceController::initialConnectionStatusChanged);
    QSignalSpy lost(&controller, &ServiceController::disconnected);
    QTRY_VERIFY(controller.isConnected());
    QCOMPARE(status.count(), 1);

    controller.forceQuit();
    QVERIFY(controller.isForceQuit());
    QVERIFY(!controller.isConnected());
    controller.sendCommand(QStringLiteral("never delivered"));
    service.hangUp();
    QVERIFY(!lost.wait(3 * interval));
    QCOMPARE(service.connections, 1);
    QCOMPARE(service.frames, QStringList {init});

    // Forced out before it ever connected: the status is never signalled.
    ServiceController early(true, nullptr, unusedPort(), interval);
    QSignalSpy earlyStatus(&early, &ServiceController::initialConnectionStatusChanged);
    early.forceQuit();
    QVERIFY(!earlyStatus.wait(2 * interval));
}

void TestServiceController::instanceIsTheNewestController()
{
    ServiceController first(false);
    QCOMPARE(ServiceController::instance(), &first);
    {
        ServiceController second(false);
        QCOMPARE(ServiceController::instance(), &second);
    }
    QCOMPARE(ServiceController::instance(), nullptr);
}

QTEST_GUILESS_MAIN(TestServiceController)
#include "test_servicecontroller.moc"
