#pragma once

#include <QObject>
#include <QProcess>
#include <QStringList>

// An ordinary local program run by the client itself, without the service.
class ChildProcess : public QObject
{
    Q_OBJECT

public:
    explicit ChildProcess(QObject *parent = nullptr);
    // Waits up to 10 seconds for a running program, then kills it.
    ~ChildProcess() override;

    // Starts the program and returns at once; a program still running from
    // an earlier call is killed first.
    void executeCommand(const QString &program, const QStringList &arguments);

    // Runs the program, waiting up to 30 seconds. With readOutput, its
    // standard output up to the first NUL byte, split at every line feed with
    // empty parts kept; otherwise an empty list. A program that cannot start
    // gives no output (one empty line when output is wanted).
    static QStringList executeCommandAndWait(const QString &program, const QStringList &arguments,
                                             bool readOutput);

    static QString errorText(QProcess::ProcessError error);

signals:
    void processFinished(bool success);

private slots:
    void onErrorOccurred(QProcess::ProcessError error);
    void onFinished(int exitCode, QProcess::ExitStatus exitStatus);

private:
    QProcess *m_process = nullptr;
};
