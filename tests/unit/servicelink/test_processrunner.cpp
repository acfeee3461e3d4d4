#include "processrunner.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray minimalConfig = "client\ndev tun\nremote 198.51.100.7 1194 udp\n";

// Whether a process still runs (a zombie does not).
bool alive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}
} // namespace

// The runner with programs in a directory of the test's own: the "dns" tool
// and "openvpn" are small scripts there.
class TestProcessRunner : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void exitCodes_data();
    void exitCodes();
    void failedStart();
    void outputLines();
    void stopAndKill();
    void endEnginesLeavesTools();
    void toolTimeLimit();
    void leftoversEndWithTheProgram();
    void cleanEnvironment();
    void refusals();
    void tooManyPrograms();
    void programsBelongToTheirUser();
    void limitsPerUserAndRestoringTools();
    void openVpnRunsOnACheckedCopy();
    void openVpnRefusals_data();
    void openVpnRefusals();

private:
    void writeScript(const QString &relativePath, const QByteArray &body);
    CommandPolicy::Decision decide(const QStringList &arguments,
                                   const QString &program = QStringLiteral("dns"));
    // OpenVPN as the client starts it, with that configuration and a log file.
    CommandPolicy::Decision openVpnDecision(const QByteArray &config);
    // Starts the program and waits for its "started:" report; returns its process id.
    qint64 startAndWait(ProcessRunner &runner, const CommandPolicy::Decision &decision, QSignalSpy &reports);
    // The output lines of a "dns" run with that script.
    QStringList outputOf(const QByteArray &dnsScript);
    // The next report, waiting for it.
    QString nextReport(QSignalSpy &reports);

    QScopedPointer<QTemporaryDir> m_dir;
};

void TestProcessRunner::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestProcessRunner::writeScript(const QString &relativePath, const QByteArray &body)
{
    const QString path = m_dir->filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("#!/bin/sh\n" + body + "\n");
    file.close();
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0755) == 0);
}

CommandPolicy::Decision TestProcessRunner::decide(const QStringList &arguments, const QString &program)
{
    return CommandPolicy(m_dir->path()).check(QStringList {m_dir->filePath(program)} + arguments);
}

CommandPolicy::Decision TestProcessRunner::openVpnDecision(const QByteArray &config)
{
    const QString configPath = m_dir->filePath("general.ovpn");
    const QString logPath = m_dir->filePath("x-vpn.log");
    QFile configFile(configPath);
    if (configFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        configFile.write(config);
    QFile logFile(logPath);
    logFile.open(QIODevice::Append);
    return decide({"--config", configPath, "--management", "127.0.0.1", "61973",
                   "--management-query-passwords", "--management-client", "--log-append", logPath},
                  "openvpn/bin/openvpn");
}

qint64 TestProcessRunner::startAndWait(ProcessRunner &runner, const CommandPolicy::Decision &decision,
                                       QSignalSpy &reports)
{
    [&]() { QVERIFY2(decision.allowed, qPrintable(decision.reason)); }();
    QString reason;
    const ProcessRunner::StartStatus status = runner.start(decision, ::geteuid(), &reason);
    [&]() { QVERIFY2(status == ProcessRunner::Started, qPrintable(reason)); }();
    [&]() { QTRY_VERIFY(!reports.isEmpty()); }();
    const QList<QVariant> signal = reports.takeFirst();
    [&]() { QCOMPARE(signal.at(0).toUInt(), uint(::geteuid())); }();
    const QString report = signal.at(1).toString();
    const QStringList fields = report.mid(report.indexOf(':') + 1).split(',');
    [&]() {
        QVERIFY(report.startsWith("started:"));
        QCOMPARE(fields.value(1), QStringLiteral("0"));
        QCOMPARE(fields.value(2), decision.name);
    }();
    return fields.value(0).toLongLong();
}

QString TestProcessRunner::nextReport(QSignalSpy &reports)
{
    [&]() { QTRY_VERIFY_WITH_TIMEOUT(!reports.isEmpty(), 10000); }();
    return reports.isEmpty() ? QString() : reports.takeFirst().at(1).toString();
}

void TestProcessRunner::exitCodes_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<int>("code");
    QTest::newRow("success") << QByteArray("exit 0") << 0;
    QTest::newRow("failure") << QByteArray("exit 3") << 3;
    QTest::newRow("killed") << QByteArray("kill -KILL $$") << 128 + SIGKILL;
    QTest::newRow("crashed") << QByteArray("kill -SEGV $$") << 128 + SIGSEGV;
}

void TestProcessRunner::exitCodes()
{
    QFETCH(QByteArray, script);
    QFETCH(int, code);
    writeScript("dns", script);
    ProcessRunner runner;
    QSignalSpy reports(&runner, &ProcessRunner::report);
    const qint64 pid = startAndWait(runner, decide({"reset"}), reports);
    QVERIFY(pid > 0);
    QCOMPARE(nextReport(reports), ProcessRunner::finishedReport(pid, code, "dns"));
    QCOMPARE(runner.runningCount(), 0);
}

void TestProcessRunner::failedStart()
{
    // A program whose interpreter is missing cannot be executed.
    writeScript("dns", "exit 0");
    QFile script(m_dir->filePath("dns"));
    QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
    script.write("#!/nonexistent/interpreter\n");
    script.close();
    ProcessRunner runner;
    QSignalSpy reports(&runner, &ProcessRunner::report);
    QString reason;
    QCOMPARE(runner.start(decide({"reset"}), ::geteuid(), &reason), ProcessRunner::Started);
    QCOMPARE(nextReport(reports), ProcessRunner::startedReport(0, ProcessRunner::FailedToStart, "dns"));
    QVERIFY(!reports.wait(200));
    QCOMPARE(runner.runningCount(), 0);
}

QStringList TestProcessRunner::outputOf(const QByteArray &dnsScript)
{
    writeScript("dns", dnsScript);
    ProcessRunner runner;
    QSignalSpy reports(&runner, &ProcessRunner::report);
    QSignalSpy output(&runner, &ProcessRunner::output);
    startAndWait(runner, decide({"reset"}), reports);
    nextReport(reports);
    QStringList lines;
    for (const QList<QVariant> &signal : qAsConst(output)) {
        [&]() { QCOMPARE(signal.at(1).toString(), QStringLiteral("dns")); }();
        lines << signal.at(2).toString();
    }
    return lines;
}

void TestProcessRunner::outputLines()
{
    const QStringList lines
        = outputOf("printf 'one\\n\\ntwo\\n'; head -c 5000 /dev/zero | tr '\\0' x; printf 'last'");
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.mid(0, 3), (QStringList {"one", "", "two"}));
    QCOMPARE(lines.at(3), QString(ProcessRunner::maxOutputLine, 'x'));
    QCOMPARE(lines.at(4), QString(5000 - ProcessRunner::maxOutputLine, 'x') + "last");
}

void TestProcessRunner::stopAndKill()
{
    ProcessRunner runner;
    QSignalSpy reports(&runner, &ProcessRunner::report);

    // Stop: SIGTERM, and the program ends by it.
    writeScript("dns", "exec sleep 30");
    qint64 pid = startAndWait(runner, decide({"reset"}), reports);
    QCOMPARE(runner.end("killswitch", false, ::geteuid()), 0);
    QCOMPARE(runner.end("dns", false, ::geteuid()), 1);
    QCOMPARE(nextReport(reports), ProcessRunner::finishedReport(pid, 128 + SIGTERM, "dns"));

    // Kill: a program that ignores SIGTERM gets SIGKILL after the grace time.
    writeScript("dns", "trap '' TERM; echo ready; while :; do sleep 0.2; done");
    QSignalSpy output(&runner, &ProcessRunner::output);
    pid = startAndWait(runner, decide({"reset"}), reports);
    QTRY_COMPARE(output.count(), 1);
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(runner.end("dns", true, ::geteuid()), 1);
    QCOMPARE(nextReport(reports), ProcessRunner::finishedReport(pid, 128 + SIGKILL, "dns"));
    QVERIFY(elapsed.elapsed() >= ProcessRunner::killGraceTime - 100);
}

void TestProcessRunner::endEnginesLeavesTools()
{
    writeScript("openvpn/bin/openvpn", "exec sleep 30");
    writeScript("dns", "echo working; sleep 1; exit 0");
    ProcessRunner runner;
    QSignalSpy reports(&runner, &ProcessRunner::report);
    QSignalSpy output(&runner, &ProcessRunner::output);
    const qint64 engine = startAndWait(runner, openVpnDecision(minimalConfig), reports);
    const qint64 tool = startAndWait(runner, decide({"user", "eth0@192.168.1.1"}), reports);
    QTRY_COMPARE(output.count(), 1);
    QCOMPARE(runner.endEngines(::geteuid()), 1);
    QCOMPARE(nextReport(reports), ProcessRunner::finishedReport(engine, 128 + SIGTERM, "openvpn"));
    QCOMPARE(nextReport(reports), ProcessRunner::finishedReport(tool, 0, "dns"));
}

void TestProcessRunner::toolTimeLimit()
{
    writeScript("killswitch", "exec sleep 30");
    ProcessRunner runner(nullptr, ProcessRunner::defaultMaxProcesses, 300);
    QSignalSpy reports(&runner, &ProcessRunner::report);
    const qint64 pid = startAndWait(runner, decide({"disable", "all"}, "killswitch"), reports);
    QCOMPARE(nextReport(reports), ProcessRunner::finishedReport(pid, 128 + SIGTERM, "killswitch"));
}

void TestProcessRunner::leftoversEndWithTheProgram()
{
    writeScript("dns", "sleep 30 & echo $!; exit 0");
    ProcessRunner runner;
    QSignalSpy reports(&runner, &ProcessRunner::report);
    QSignalSpy output(&runner, &ProcessRunner::output);
    const qint64 pid = startAndWait(runner, decide({"reset"}), reports);
    QCOMPARE(nextReport(reports), ProcessRunner::finishedReport(pid, 0, "dns"));
    QCOMPARE(output.count(), 1);
    const qint64 leftover = output.first().at(2).toLongLong();
    QVERIFY(leftover > 0);
    QTRY_VERIFY(!alive(leftover));
}

void TestProcessRunner::cleanEnvironment()
{
    qputenv("VPN_TEST_SECRET", "1");
    const QStringList lines = outputOf("env; pwd");
    QVERIFY(lines.filter("VPN_TEST_SECRET").isEmpty());
    QVERIFY(lines.contains("LC_ALL=C"));
    QCOMPARE(lines.last(), QStringLiteral("/"));
}

void TestProcessRunner::refusals()
{
    ProcessRunner runner;
    QSignalSpy reports(&runner, &ProcessRunner::report);
    QString reason;

    // A program that other users could have replaced.
    writeScript("dns", "exit 0");
    QVERIFY(::chmod(QFile::encodeName(m_dir->filePath("dns")).constData(), 0777) == 0);
    QCOMPARE(runner.start(decide({"reset"}), ::geteuid(), &reason), ProcessRunner::Refused);
    QVERIFY2(reason.contains("can be changed by other users"), qPrintable(reason));

    // A program that is not there.
    QCOMPARE(runner.start(decide({"disable", "all"}, "killswitch"), ::geteuid(), &reason),
             ProcessRunner::Refused);
    QVERIFY2(reason.contains("does not exist"), qPrintable(reason));

    QVERIFY(!reports.wait(200));
    QCOMPARE(runner.runningCount(), 0);
}

void TestProcessRunner::tooManyPrograms()
{
    writeScript("dns", "exec sleep 30");
    ProcessRunner runner(nullptr, 1);
    QSignalSpy reports(&runner, &ProcessRunner::report);
    startAndWait(runner, decide({"reset"}), reports);
    QString reason;
    QCOMPARE(runner.start(decide({"reset"}), ::geteuid(), &reason), ProcessRunner::TooManyProcesses);
    QVERIFY(!reason.isEmpty());
    runner.shutdown(2000);
    QCOMPARE(runner.runningCount(), 0);
}

void TestProcessRunner::programsBelongToTheirUser()
{
    writeScript("dns", "echo up; exec sleep 30");
    ProcessRunner runner;
    QSignalSpy reports(&runner, &ProcessRunner::report);
    QSignalSpy output(&runner, &ProcessRunner::output);
    QString reason;
    QCOMPARE(runner.start(decide({"reset"}), 4242, &reason), ProcessRunner::Started);
    QCOMPARE(runner.start(decide({"reset"}), 4343, &reason), ProcessRunner::Started);
    QTRY_COMPARE(output.count(), 2);
    QCOMPARE(reports.count(), 2);
    QCOMPARE(QSet<uint>({reports.at(0).at(0).toUInt(), reports.at(1).at(0).toUInt()}),
             QSet<uint>({4242, 4343}));
    QCOMPARE(QSet<uint>({output.at(0).at(0).toUInt(), output.at(1).at(0).toUInt()}),
             QSet<uint>({4242, 4343}));
    QCOMPARE(runner.runningCount(4242), 1);

    // One user's stop, kill or fresh start leaves the other user's programs alone.
    reports.clear();
    QCOMPARE(runner.end("dns", true, 4343), 1);
    QTRY_COMPARE(reports.count(), 1);
    QCOMPARE(reports.first().at(0).toUInt(), 4343u);
    QVERIFY(reports.first().at(1).toString().startsWith("finished:"));
    QCOMPARE(runner.end("dns", true, 4343), 0);
    QCOMPARE(runner.endEngines(4343), 0);
    QCOMPARE(runner.runningCount(4242), 1);
    QCOMPARE(runner.runningCount(), 1);
    runner.shutdown(2000);
}

void TestProcessRunner::limitsPerUserAndRestoringTools()
{
    writeScript("dns", "exec sleep 30");
    StateOwners owners;
    ProcessRunner runner(nullptr, ProcessRunner::defaultMaxProcesses, ProcessRunner::defaultToolTimeLimit, 2);
    runner.setStateOwners(&owners);
    QString reason;
    const auto start = [&](const QStringList &arguments, uint uid) {
        return runner.start(decide(arguments), uid, &reason);
    };
    QCOMPARE(start({"vpn", "eth0@172.16.0.1"}, 4242), ProcessRunner::Started);
    QCOMPARE(owners.owner(StateOwners::Resource::Dns), qint64(4242));
    QCOMPARE(start({"user", "eth0@192.168.1.1"}, 4242), ProcessRunner::Started);

    // At its limit the user can still give back what it holds, and only that.
    QCOMPARE(start({"vpn", "eth0@172.16.0.1"}, 4242), ProcessRunner::TooManyProcesses);
    QVERIFY2(reason.contains("user 4242"), qPrintable(reason));
    QCOMPARE(start({"reset"}, 4242), ProcessRunner::Started);
    // Another user is neither limited by it nor allowed to touch its DNS.
    QCOMPARE(start({"reset"}, 4343), ProcessRunner::Refused);
    QVERIFY2(reason.contains("belongs to user 4242"), qPrintable(reason));
    writeScript("killswitch", "exec sleep 30");
    QCOMPARE(runner.start(decide({"disable", "all"}, "killswitch"), 4343, &reason), ProcessRunner::Started);
    QCOMPARE(runner.runningCount(), 4);
    QSignalSpy reports(&runner, &ProcessRunner::report);
    QTRY_COMPARE(reports.count(), 4);
    runner.shutdown(2000);
}

void TestProcessRunner::openVpnRunsOnACheckedCopy()
{
    // The fake engine shows its arguments and the configuration it was given.
    writeScript("openvpn/bin/openvpn", "echo \"$@\"; cat \"$2\"; echo \"$2\" > \"$0.copy\"");
    const QString config = m_dir->filePath("general.ovpn");
    QFile logFile(m_dir->filePath("x-vpn.log"));
    QVERIFY(logFile.open(QIODevice::WriteOnly));
    logFile.write("earlier\n");
    logFile.close();

    ProcessRunner runner;
    QSignalSpy reports(&runner, &ProcessRunner::report);
    QSignalSpy output(&runner, &ProcessRunner::output);
    const qint64 pid = startAndWait(
        runner, openVpnDecision("client\ndev tun\n'remote' 198.51.100.7 1194 # a comment\n"), reports);
    QCOMPARE(nextReport(reports), ProcessRunner::finishedReport(pid, 0, "openvpn"));
    QCOMPARE(output.count(), 0);

    QVERIFY(logFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = logFile.readAll().split('\n');
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.at(0), QByteArray("earlier"));
    QVERIFY(lines.at(1).startsWith("--config /"));
    QVERIFY(lines.at(1).endsWith("/general.ovpn --management 127.0.0.1 61973 --management-query-passwords "
                                 "--management-client --script-security 1"));
    QVERIFY(!lines.at(1).contains(config.toUtf8()));
    // It runs the service's canonical text of the configuration, not the client's.
    QCOMPARE(lines.mid(2, 3), (QList<QByteArray> {"client", "dev tun", "remote 198.51.100.7 1194"}));

    // The private copy goes with the program.
    QFile copyName(m_dir->filePath("openvpn/bin/openvpn.copy"));
    QVERIFY(copyName.open(QIODevice::ReadOnly));
    const QString copy = QString::fromUtf8(copyName.readAll().trimmed());
    QVERIFY(copy.endsWith("/general.ovpn"));
    QTRY_VERIFY(!QFileInfo::exists(copy));
}

void TestProcessRunner::openVpnRefusals_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("uidOffset");
    QTest::addColumn<QString>("reason");

    QTest::newRow("up directive") << "up" << 0 << "directive 'up' is not allowed";
    QTest::newRow("config is a link") << "config-link" << 0 << "cannot open";
    QTest::newRow("log is a link") << "log-link" << 0 << "cannot open";
    QTest::newRow("log missing") << "log-missing" << 0 << "cannot open";
    QTest::newRow("config of another user") << "" << 1 << "does not belong to the client's user";
}

void TestProcessRunner::openVpnRefusals()
{
    QFETCH(QString, setup);
    QFETCH(int, uidOffset);
    QFETCH(QString, reason);

    writeScript("openvpn/bin/openvpn", "touch \"$0.ran\"");
    const QString config = m_dir->filePath("general.ovpn");
    const QString log = m_dir->filePath("x-vpn.log");
    QFile configFile(setup == "config-link" ? m_dir->filePath("real.ovpn") : config);
    QVERIFY(configFile.open(QIODevice::WriteOnly));
    configFile.write(setup == "up" ? minimalConfig + "up /tmp/x.sh\n" : minimalConfig);
    configFile.close();
    if (setup == "config-link")
        QVERIFY(QFile::link(configFile.fileName(), config));
    if (setup == "log-link")
        QVERIFY(QFile::link("/etc/passwd", log));
    else if (setup != "log-missing")
        QVERIFY(QFile(log).open(QIODevice::WriteOnly));

    uint uid = ::geteuid() + uidOffset;
    if (uidOffset && ::geteuid() == 0) {
        uid = 4242;
        QVERIFY(::chown(QFile::encodeName(config).constData(), 4343, 4343) == 0);
    }
    ProcessRunner runner;
    QString why;
    const CommandPolicy::Decision decision
        = decide({"--config", config, "--management", "127.0.0.1", "61973", "--management-query-passwords",
                  "--management-client", "--log-append", log},
                 "openvpn/bin/openvpn");
    QVERIFY(decision.allowed);
    QCOMPARE(runner.start(decision, uid, &why), ProcessRunner::Refused);
    QVERIFY2(why.contains(reason), qPrintable(why));
    QCOMPARE(runner.runningCount(), 0);
    QVERIFY(!QFileInfo::exists(m_dir->filePath("openvpn/bin/openvpn.ran")));
}

QTEST_GUILESS_MAIN(TestProcessRunner)
#include "test_processrunner.moc"
