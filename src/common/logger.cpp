#include "logger.h"

#include <QDateTime>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

namespace {
const QString lineTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
const QString folderName = QStringLiteral("logs");
const QString fileSuffix = QStringLiteral("log");
const QString fileTimeFormat = QStringLiteral("yyyy-MM-dd_hh-mm-ss");

// One stream and one lock for the whole process: the probe threads log too.
QTextStream &logStream()
{
    static QTextStream stream;
    return stream;
}

QMutex &logMutex()
{
    static QMutex mutex;
    return mutex;
}

QString baseFolder()
{
    static const QString path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return path;
}
} // namespace

Logger::Logger()
{
    setObjectName(QStringLiteral("Logger"));
}

Logger *Logger::instance()
{
    static Logger *logger = new Logger();
    logger->initialize();
    return logger;
}

bool Logger::initialize()
{
    if (m_initializeTried)
        return m_initialized;
    m_initializeTried = true;

    const QString dirPath = QDir(baseFolder()).filePath(folderName);
    QDir dir(dirPath);
    if (!dir.exists() && !QDir().mkpath(dirPath)) {
        qWarning().noquote() << objectName()
                + ": Log folder does not exists or cannot be created: " + dirPath;
        return false;
    }
    if (!QFileInfo(dirPath).isDir() || !QFileInfo(dirPath).isExecutable()) {
        qWarning().noquote() << objectName() + ": Cannot change path to log folder: " + dirPath;
        return false;
    }

    removeOldLogFiles(dirPath);

    m_fileName
        = QStringLiteral("%1-app.%2").arg(QDateTime::currentDateTime().toString(fileTimeFormat), fileSuffix);
    qSetMessagePattern(messagePattern());

    m_file.setFileName(dir.filePath(m_fileName));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qWarning().noquote() << objectName() + ": Cannot open log file: " + m_file.fileName();
        return false;
    }
    {
        QMutexLocker locker(&logMutex());
        logStream().setDevice(&m_file);
        logStream().setCodec("UTF-8");
    }
    qInstallMessageHandler(Logger::logMessageHandler);
    m_logDirPath = dirPath;
    m_initialized = true;
    return true;
}

void Logger::removeOldLogFiles(const QString &dirPath)
{
    // Newest first; the nine newest ".log" files stay beside the new one.
    const QFileInfoList files
        = QDir(dirPath).entryInfoList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Time);
    int count = 0;
    for (const QFileInfo &info : files) {
        if (info.completeSuffix() != fileSuffix)
            continue;
        if (++count >= numberOfLogFiles)
            QFile::remove(info.absoluteFilePath());
    }
}

QString Logger::messagePattern()
{
    return QStringLiteral("%{time %1}\t%{type}%2%{message}").arg(lineTimeFormat, QStringLiteral("  "));
}

bool Logger::initialized() const
{
    return m_initialized;
}

QString Logger::logDirPath() const
{
    return m_logDirPath;
}

QString Logger::appLogFileNamePath() const
{
    const QFileInfo dir(m_logDirPath);
    if (m_logDirPath.isEmpty() || !dir.isDir() || !dir.isExecutable()) {
        qWarning().noquote() << objectName()
                + ": Log folder doesn't exist or cannot be accessed: " + m_logDirPath;
        return QString();
    }
    return QDir(m_logDirPath).filePath(m_fileName);
}

void Logger::openLogFolder()
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(m_logDirPath)))
        qWarning().noquote() << objectName() + ": Can't open openUrl";
}

void Logger::qmlLog(const QString &objectName, const QString &message)
{
    qInfoLog(objectName, message);
}

void Logger::qInfoLog(const QString &objectName, const QString &message)
{
    qInfo().noquote() << objectName + ": " + message;
}

void Logger::richMessage(const QString &objectName, const QString &message)
{
    qInfoLog(objectName, QStringLiteral("========== %1 ==========").arg(message.toUpper()));
}

void Logger::appendToLog(const QString &text)
{
    QMutexLocker locker(&logMutex());
    if (!logStream().device())
        return;
    logStream() << text << '\n';
    logStream().flush();
}

bool Logger::containsFilteredMessage(const QString &text)
{
    return text.simplified().isEmpty()
        || text.contains(
            QLatin1String("Unrecognized option or missing or extra parameter(s) in [PUSH-OPTIONS]:"));
}

void Logger::logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (containsFilteredMessage(message))
        return;
    const QString line = qFormatLogMessage(type, context, message.simplified());
    QMutexLocker locker(&logMutex());
    logStream() << line << '\n';
    logStream().flush();
}
