#include "logger.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QtTest>

class TestLogger : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void prunesOldLogFilesOnly();
    void writesFormattedLines();
    void dropsFilteredMessages();
    void keepsLinesWholeAcrossThreads();

private:
    QStringList logLines() const;

    QTemporaryDir m_dataHome;
    QString m_logDir;
    QStringList m_oldLogs;
};

void TestLogger::initTestCase()
{
    QVERIFY(m_dataHome.isValid());
    qputenv("XDG_DATA_HOME", m_dataHome.path().toUtf8());
    QCoreApplication::setApplicationName(QStringLiteral("LoggerTest"));
    m_logDir = m_dataHome.path() + QStringLiteral("/LoggerTest/logs");
    QVERIFY(QDir().mkpath(m_logDir));

    // Twelve old logs, one hour apart, oldest first; and files of other kinds.
    const QDateTime start = QDateTime::currentDateTime().addDays(-2);
    for (int i = 0; i < 12; ++i) {
        const QString path
            = QStringLiteral("%1/old-%2-app.log").arg(m_logDir).arg(i, 2, 10, QLatin1Char('0'));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old\n");
        file.flush();
        QVERIFY(file.setFileTime(start.addSecs(3600 * i), QFileDevice::FileModificationTime));
        m_oldLogs << QFileInfo(path).fileName();
    }
    for (const QString &name : {QStringLiteral("notes.txt"), QStringLiteral("archive.log.gz")}) {
        QFile file(m_logDir + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setFileTime(start.addDays(-30), QFileDevice::FileModificationTime));
    }

    Logger *logger = Logger::instance();
    QVERIFY(logger->initialized());
    QCOMPARE(logger->logDirPath(), m_logDir);
    QVERIFY(QFileInfo(logger->appLogFileNamePath()).fileName().endsWith(QLatin1String("-app.log")));
}

void TestLogger::prunesOldLogFilesOnly()
{
    const QStringList logs = QDir(m_logDir).entryList({QStringLiteral("*.log")}, QDir::Files, QDir::Name);
    QCOMPARE(logs.size(), Logger::numberOfLogFiles);
    // The three oldest went; the nine newest and this run's file stay.
    for (int i = 0; i < 12; ++i)
        QCOMPARE(logs.contains(m_oldLogs.at(i)), i >= 3);
    QVERIFY(logs.contains(QFileInfo(Logger::instance()->appLogFileNamePath()).fileName()));
    QVERIFY(QFile::exists(m_logDir + QStringLiteral("/notes.txt")));
    QVERIFY(QFile::exists(m_logDir + QStringLiteral("/archive.log.gz")));
}

QStringList TestLogger::logLines() const
{
    QFile file(Logger::instance()->appLogFileNamePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestLogger::writesFormattedLines()
{
    const int before = logLines().size();
    Logger::instance()->qmlLog(QStringLiteral("Main"), QStringLiteral("clicked"));
    Logger::richMessage(QStringLiteral("Main"), QStringLiteral("connected"));
    qWarning() << "spread\tover   words";
    const QStringList lines = logLines().mid(before);
    QCOMPARE(lines.size(), 3);
    const QRegularExpression infoLine(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\tinfo  Main: clicked$"));
    QVERIFY2(infoLine.match(lines.at(0)).hasMatch(), qPrintable(lines.at(0)));
    QVERIFY(lines.at(1).endsWith(QLatin1String("\tinfo  Main: ========== CONNECTED ==========")));
    QVERIFY2(lines.at(2).endsWith(QLatin1String("\twarning  spread over words")), qPrintable(lines.at(2)));
}

void TestLogger::dropsFilteredMessages()
{
    const int before = logLines().size();
    qInfo() << "   ";
    qInfo("\t\n");
    qWarning() << "Unrecognized option or missing or extra parameter(s) in [PUSH-OPTIONS]:1: "
                  "block-outside-dns (2.6.3)";
    QCOMPARE(logLines().size(), before);
    QVERIFY(Logger::containsFilteredMessage(QString()));
    QVERIFY(!Logger::containsFilteredMessage(QStringLiteral("Main: ok")));
}

void TestLogger::keepsLinesWholeAcrossThreads()
{
    const int before = logLines().size();
    constexpr int threads = 6;
    constexpr int perThread = 400;
    QList<QThread *> workers;
    for (int t = 0; t < threads; ++t) {
        workers << QThread::create([t]() {
            for (int i = 0; i < perThread; ++i)
                qInfo().noquote() << QStringLiteral("Worker%1: line %2 %3")
                                         .arg(t)
                                         .arg(i)
                                         .arg(QString(40, QLatin1Char('x')));
        });
        workers.last()->start();
    }
    for (QThread *worker : workers) {
        QVERIFY(worker->wait(30000));
        delete worker;
    }
    const QStringList lines = logLines().mid(before);
    QCOMPARE(lines.size(), threads * perThread);
    const QRegularExpression whole(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\tinfo  Worker\\d: line \\d+ x{40}$"));
    for (const QString &line : lines)
        QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
}

QTEST_GUILESS_MAIN(TestLogger)
#include "test_logger.moc"
