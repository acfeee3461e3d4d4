#include "childprocess.h"
#include "logcapture.h"

#include <QSignalSpy>
#include <QtTest>

class TestChildProcess : public QObject
{
    Q_OBJECT

private slots:
    void executeCommandAndWait_data();
    void executeCommandAndWait();
    void executeCommandReportsSuccess_data();
    void executeCommandReportsSuccess();
    void failedStartIsLogged();
};

void TestChildProcess::executeCommandAndWait_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("readOutput");
    QTest::addColumn<QStringList>("lines");

    const QString sh = QStringLiteral("/bin/sh");
    QTest::newRow("two lines end in a line feed")
        << sh << QStringList {"-c", "printf 'a\\nb\\n'"} << true << QStringList {"a", "b", ""};
    QTest::newRow("no final line feed")
        << sh << QStringList {"-c", "printf 'a\\nb'"} << true << QStringList {"a", "b"};
    QTest::newRow("empty lines kept")
        << sh << QStringList {"-c", "printf '\\n\\nx'"} << true << QStringList {"", "", "x"};
    QTest::newRow("output ends at NUL")
        << sh << QStringList {"-c", "printf 'a\\nb\\000c\\n'"} << true << QStringList {"a", "b"};
    QTest::newRow("standard error not read")
        << sh << QStringList {"-c", "echo out; echo err >&2"} << true << QStringList {"out", ""};
    QTest::newRow("UTF-8") << sh << QStringList {"-c", "printf '\\303\\244\\n'"} << true
                           << QStringList {QString::fromUtf8("\xc3\xa4"), ""};
    QTest::newRow("output not wanted") << sh << QStringList {"-c", "echo a"} << false << QStringList {};
    QTest::newRow("program missing") << "/nonexistent/program" << QStringList {} << true << QStringList {""};
}

void TestChildProcess::executeCommandAndWait()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(bool, readOutput);
    QTEST(ChildProcess::executeCommandAndWait(program, arguments, readOutput), "lines");
}

void TestChildProcess::executeCommandReportsSuccess_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("success");
    QTest::newRow("exit 0") << "exit 0" << true;
    QTest::newRow("exit 3") << "exit 3" << false;
    QTest::newRow("killed") << "kill -9 $$" << false;
}

void TestChildProcess::executeCommandReportsSuccess()
{
    QFETCH(QString, script);
    ChildProcess process;
    QSignalSpy finished(&process, &ChildProcess::processFinished);
    process.executeCommand(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    QVERIFY(finished.wait());
    QTEST(finished.first().first().toBool(), "success");
}

void TestChildProcess::failedStartIsLogged()
{
    LogCapture log;
    {
        ChildProcess process;
        process.executeCommand(QStringLiteral("/nonexistent/program"), {});
        QTRY_VERIFY(log.contains(QStringLiteral("ChildProcess: Error occured: failed to start")));
    }
    QCOMPARE(ChildProcess::errorText(QProcess::Crashed), QStringLiteral("crashed"));
    QCOMPARE(ChildProcess::errorText(static_cast<QProcess::ProcessError>(42)), QString());
}

QTEST_GUILESS_MAIN(TestChildProcess)
#include "test_childprocess.moc"
