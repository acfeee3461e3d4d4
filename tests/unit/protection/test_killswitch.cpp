#include "fakeservice.h"
#include "killswitch.h"
#include "servicecontroller.h"

#include <QSignalSpy>
#include <QtTest>

// The commands KillSwitch sends through the service link, against an
// in-test stand-in for the vpn-service, and what it makes of the reports.
class TestKillSwitch : public QObject
{
    Q_OBJECT

private:
    static QStringList startCommands(const QStringList &frames)
    {
        QStringList commands;
        for (const QString &frame : frames) {
            if (frame.startsWith(QLatin1String("start: ")))
                commands << frame;
        }
        return commands;
    }

private slots:
    void commandLines()
    {
        FakeService service;
        ServiceController controller(true, nullptr, service.port(), 300);
        KillSwitch killSwitch;
        QCOMPARE(killSwitch.objectName(), QStringLiteral("KillSwitch"));
        QVERIFY(!killSwitch.activatedProtection());
        const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/killswitch");
        QCOMPARE(KillSwitch::killSwitchFileNamePath(), tool);

        QTest::ignoreMessage(QtInfoMsg,
                             "KillSwitch: Activate protection, VPN internal IP '10.8.0.6', "
                             "VPN public IP: '198.51.100.10', allow local devices: 'false'");
        killSwitch.activateProtection("10.8.0.6", "198.51.100.10", false);
        QVERIFY(killSwitch.activatedProtection()); // before any report
        QTest::ignoreMessage(QtInfoMsg,
                             "KillSwitch: Activate protection, VPN internal IP '10.8.0.6', "
                             "VPN public IP: '198.51.100.10', allow local devices: 'true'");
        killSwitch.activateProtection("10.8.0.6", "198.51.100.10", true);
        QTest::ignoreMessage(QtInfoMsg, "KillSwitch: Disable protection");
        killSwitch.disableProtection(true);
        QVERIFY(!killSwitch.activatedProtection());
        QTest::ignoreMessage(QtInfoMsg, "KillSwitch: Disable protection");
        killSwitch.disableProtection(false);

        const QString quotedTool = QLatin1Char('"') + tool + QLatin1Char('"');
        QTRY_COMPARE(startCommands(service.frames),
                     (QStringList {"start: " + quotedTool + R"( "enable" "all" "198.51.100.10" "")",
                                   "start: " + quotedTool + R"( "enable" "all" "198.51.100.10" "local")",
                                   "start: " + quotedTool + R"( "disable" "all")",
                                   "start: " + quotedTool + R"( "disable" "all")"}));
    }

    void reports_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QVariantList>("results");
        QTest::newRow("success") << "finished:41,0,killswitch\n" << QVariantList {true};
        QTest::newRow("failure") << "finished:41,2,killswitch\n" << QVariantList {false};
        QTest::newRow("ended by a signal") << "finished:41,143,killswitch\n" << QVariantList {false};
        QTest::newRow("another program") << "finished:41,0,dns\n" << QVariantList();
        QTest::newRow("started only") << "started:41,0,killswitch\n" << QVariantList();
    }
    void reports()
    {
        QFETCH(QString, report);
        QFETCH(QVariantList, results);
        FakeService service;
        ServiceController controller(true, nullptr, service.port(), 300);
        KillSwitch killSwitch;
        QSignalSpy finished(&killSwitch, &KillSwitch::killSwitchFinished);
        QTRY_VERIFY(!service.clients.isEmpty());
        service.send(report);
        // A later report for the tool shows that everything before it arrived.
        service.send(QStringLiteral("finished:42,9,killswitch\n"));
        QTRY_COMPARE(finished.size(), results.size() + 1);
        for (int i = 0; i < results.size(); ++i)
            QCOMPARE(finished.at(i).at(0), results.at(i));
        QVERIFY(!killSwitch.activatedProtection()); // reports do not change the request
    }
};

QTEST_GUILESS_MAIN(TestKillSwitch)
#include "test_killswitch.moc"
