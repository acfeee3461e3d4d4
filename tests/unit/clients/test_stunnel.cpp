#include "stunnel.h"

#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

namespace {
QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool processAlive(qint64 pid)
{
    // A zombie has ended; only its parent has not collected it yet.
    const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const int end = stat.lastIndexOf(')');
    return end > 0 && stat.size() > end + 2 && stat.at(end + 2) != 'Z';
}

// A stunnel that this client did not start in this run.
bool startOther(QProcess &process, const QString &program, const QString &config)
{
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {config});
    if (!process.waitForStarted(5000))
        return false;
    QByteArray output;
    while (!output.contains("Configuration successful") && process.waitForReadyRead(10000))
        output += process.readAll();
    return output.contains("Configuration successful");
}
} // namespace

class TestStunnel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void configText();
    void startReportsAndRemovesConfig();
    void startingTwiceEndsTheFirst();
    void stopEndsOnlyThisClientsStunnel();
    void stopWhenNotRunning();

private:
    QTemporaryDir m_dir;
};

void TestStunnel::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    Stunnel stunnel;
    if (!QFileInfo(stunnel.appFileNamePath()).isExecutable())
        QSKIP("stunnel is not installed");
}

void TestStunnel::configText()
{
    Stunnel stunnel;
    QCOMPARE(stunnel.confFileName(), QStringLiteral("stunnel.conf"));
    QVERIFY(stunnel.confFileNamePath().endsWith(QStringLiteral("/stunnel.conf")));
    QVERIFY(stunnel.appFileNamePath().endsWith(QStringLiteral("/stunnel/bin/stunnel")));

    QVERIFY(stunnel.writeConfigFile(QStringLiteral("10.99.0.2")));
    QCOMPARE(readFile(stunnel.confFileNamePath()),
             QByteArray("sslVersion = TLSv1.2\n"
                        "socket = l:TCP_NODELAY=1\n"
                        "socket = r:TCP_NODELAY=1\n"
                        "client = yes\n"
                        "foreground = yes\n"
                        "\n"
                        "[openvpn]\n"
                        "accept = 127.0.0.1:1194\n"
                        "connect = 10.99.0.2:443\n"));
    QFile::remove(stunnel.confFileNamePath());
}

void TestStunnel::startReportsAndRemovesConfig()
{
    Stunnel stunnel;
    QSignalSpy started(&stunnel, &Stunnel::started);
    QVERIFY(stunnel.start(QStringLiteral("127.0.0.1")));
    QVERIFY(started.wait(10000));
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.at(0).at(0).toBool(), true);
    QVERIFY(!QFile::exists(stunnel.confFileNamePath()));
    QCOMPARE(stunnel.state(), QProcess::Running);

    const qint64 pid = stunnel.processId();
    stunnel.stop();
    QCOMPARE(stunnel.state(), QProcess::NotRunning);
    QVERIFY(!processAlive(pid));
}

void TestStunnel::startingTwiceEndsTheFirst()
{
    Stunnel stunnel;
    QSignalSpy started(&stunnel, &Stunnel::started);
    QVERIFY(stunnel.start(QStringLiteral("127.0.0.1")));
    QVERIFY(started.wait(10000));
    const qint64 first = stunnel.processId();

    // The second stunnel needs the local port of the first: it can only
    // report success when the first has ended.
    QVERIFY(stunnel.start(QStringLiteral("127.0.0.1")));
    QVERIFY(!processAlive(first));
    QVERIFY(started.wait(10000));
    QCOMPARE(started.count(), 2);
    QVERIFY(stunnel.processId() != first);
}

void TestStunnel::stopEndsOnlyThisClientsStunnel()
{
    Stunnel stunnel;
    const QString program = stunnel.appFileNamePath();

    // A stunnel of the user's own, with a configuration of its own.
    const QString foreignConfig = m_dir.filePath(QStringLiteral("own.conf"));
    QFile file(foreignConfig);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("foreground = yes\n[own]\nclient = yes\naccept = 127.0.0.1:1195\nconnect = 127.0.0.1:9\n");
    file.close();
    QProcess foreign;
    QVERIFY(startOther(foreign, program, foreignConfig));

    // A leftover of an earlier run with this client's configuration path.
    QVERIFY(stunnel.writeConfigFile(QStringLiteral("127.0.0.1")));
    QProcess leftover;
    QVERIFY(startOther(leftover, program, stunnel.confFileNamePath()));

    QSignalSpy started(&stunnel, &Stunnel::started);
    QVERIFY(stunnel.start(QStringLiteral("127.0.0.1")));
    QVERIFY(!processAlive(leftover.processId()));
    QVERIFY(started.wait(10000));
    stunnel.stop();

    QVERIFY(processAlive(foreign.processId()));
    QCOMPARE(foreign.state(), QProcess::Running);
    foreign.terminate();
    QVERIFY(foreign.waitForFinished(10000));
}

void TestStunnel::stopWhenNotRunning()
{
    Stunnel stunnel;
    stunnel.stop();
    QCOMPARE(stunnel.state(), QProcess::NotRunning);
}

QTEST_GUILESS_MAIN(TestStunnel)
#include "test_stunnel.moc"
