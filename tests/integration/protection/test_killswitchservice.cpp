#include "killswitch.h"
#include "servicecontroller.h"
#include "testnamespace.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// KillSwitch through the whole chain: the service link, the real vpn-service
// and the real killswitch tool, all inside a throwaway namespace that this
// test process enters. The service runs the programs of its own folder, so
// the build puts copies of both beside this test (the folder KillSwitch
// takes its tool from).
class TestKillSwitchService : public QObject
{
    Q_OBJECT

private:
    // Declared in this order, so everything ends before the namespace goes.
    std::unique_ptr<TestNamespace> m_ns;
    std::unique_ptr<NamespaceEntry> m_entry;
    QTemporaryDir m_dir;
    QProcess m_service;
    std::unique_ptr<ServiceController> m_controller;

    QByteArray ruleset() const
    {
        return SystemCommand::run(SystemCommand::findSystemProgram("nft"), {"list", "ruleset"}).output;
    }
    QString serviceLog() const
    {
        QFile file(m_dir.filePath("service.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void initTestCase()
    {
        if (!TestNamespace::isRoot())
            QSKIP("needs root for network namespaces");
        if (SystemCommand::findSystemProgram("nft").isEmpty())
            QSKIP("nft is not installed");
        const QString serviceProgram = QCoreApplication::applicationDirPath() + "/vpn-service";
        QVERIFY(QFileInfo::exists(serviceProgram));
        QVERIFY(QFileInfo::exists(KillSwitch::killSwitchFileNamePath()));

        m_ns = std::make_unique<TestNamespace>("kss");
        QVERIFY(m_ns->isValid());
        m_entry = std::make_unique<NamespaceEntry>(*m_ns);
        QVERIFY(m_entry->entered());

        m_service.setProcessChannelMode(QProcess::ForwardedChannels);
        // Through "ip netns exec" (which execs the service in its place), so
        // that whatever the service runs also sees the namespace's own
        // resolv.conf, never the machine's.
        m_service.start(
            "ip", {"netns", "exec", m_ns->name(), serviceProgram, "--log", m_dir.filePath("service.log")});
        QVERIFY(m_service.waitForStarted());
        QTRY_VERIFY(serviceLog().contains("Listening on 127.0.0.1:6457"));
        m_controller = std::make_unique<ServiceController>(true);
        QTRY_VERIFY(m_controller->isConnected());
    }
    void cleanupTestCase()
    {
        m_controller.reset();
        if (m_service.state() != QProcess::NotRunning) {
            m_service.terminate();
            if (!m_service.waitForFinished(10000)) {
                m_service.kill();
                m_service.waitForFinished();
            }
        }
        m_entry.reset();
        m_ns.reset();
    }

    void enableAndDisable()
    {
        KillSwitch killSwitch;
        QSignalSpy finished(&killSwitch, &KillSwitch::killSwitchFinished);

        killSwitch.activateProtection("10.8.0.6", "198.51.100.10", true);
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.takeFirst().at(0).toBool(), true);
        QVERIFY(ruleset().contains("ip daddr 198.51.100.10 accept"));
        QVERIFY(ruleset().contains("192.168.0.0/16"));

        killSwitch.activateProtection("10.8.0.6", "198.51.100.11", false);
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.takeFirst().at(0).toBool(), true);
        QVERIFY(ruleset().contains("ip daddr 198.51.100.11 accept"));
        QVERIFY(!ruleset().contains("198.51.100.10"));
        QVERIFY(!ruleset().contains("192.168.0.0/16"));

        killSwitch.disableProtection(true);
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.takeFirst().at(0).toBool(), true);
        QVERIFY(ruleset().trimmed().isEmpty());
    }

    // An address the service lets through but the tool cannot use: the
    // failure reaches the client as such.
    void toolFailureIsReported()
    {
        KillSwitch killSwitch;
        QSignalSpy finished(&killSwitch, &KillSwitch::killSwitchFinished);
        killSwitch.activateProtection("10.8.0.6", "0.0.0.0", false);
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.takeFirst().at(0).toBool(), false);
        QVERIFY(killSwitch.activatedProtection()); // the request, not the result
        QVERIFY(ruleset().trimmed().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestKillSwitchService)
#include "test_killswitchservice.moc"
