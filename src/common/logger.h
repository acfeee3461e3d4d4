#pragma once

#include <QFile>
#include <QObject>
#include <QString>

// The process-wide log: one file per run in the "logs" folder of the
// application-data location, at most ten files kept. Every message of the
// framework's message functions ends up here once the logger is initialised;
// before that, or when the file cannot be opened, the default output is used.
// Messages may come from any thread; each one is written as one whole line.
class Logger : public QObject
{
    Q_OBJECT

public:
    // The singleton; every call also runs initialize(), which works only once.
    static Logger *instance();

    bool initialize();
    bool initialized() const;

    QString logDirPath() const;
    QString appLogFileNamePath() const;

    Q_INVOKABLE void openLogFolder();
    Q_INVOKABLE void qmlLog(const QString &objectName, const QString &message);

    static void qInfoLog(const QString &objectName, const QString &message);
    static void richMessage(const QString &objectName, const QString &message);
    static void appendToLog(const QString &text);
    static bool containsFilteredMessage(const QString &text);
    static void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

    // The line format shared by every log of the product: local time, a tab,
    // the level word, two blanks and the message.
    static QString messagePattern();

    static constexpr int numberOfLogFiles = 10;

private:
    Logger();
    void removeOldLogFiles(const QString &dirPath);

    QString m_fileName;
    QString m_logDirPath;
    QFile m_file;
    bool m_initialized = false;
    bool m_initializeTried = false;
};
