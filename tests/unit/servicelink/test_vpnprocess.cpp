#include "fakeservice.h"
#include "servicecontroller.h"
#include "vpnprocess.h"

#include <QtTest>

class TestVpnProcess : public QObject
{
    Q_OBJECT

private slots:
    void killAndStopCommands();
};

void TestVpnProcess::killAndStopCommands()
{
    FakeService service;
    ServiceController controller(true, nullptr, service.port(), 300);
    VpnProcess process(QStringLiteral("openvpn"));
    process.setState(ServiceProcess::Running);

    process.kill();
    process.stop(QStringLiteral("ignored"));
    ServiceProcess &base = process;
    base.stop(QStringLiteral("also ignored"));
    QTRY_COMPARE(service.frames,
                 (QStringList {QStringLiteral("init: connection"), QStringLiteral("start: <kill openvpn>"),
                               QStringLiteral("stop: <openvpn>"), QStringLiteral("stop: <openvpn>")}));
    // The end of the engine comes only from its report.
    QCOMPARE(process.state(), ServiceProcess::Running);
}

QTEST_GUILESS_MAIN(TestVpnProcess)
#include "test_vpnprocess.moc"
