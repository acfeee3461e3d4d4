#pragma once

#include "commandpolicy.h"

#include <QList>
#include <QObject>
#include <QProcess>

class RunningProgram;

// The programs the service runs, each in a process group of its own, with a
// clean environment. The VPN engines run until they are ended; the tools
// (kill switch, DNS) are short commands that are left to finish, since
// cutting one off could leave the firewall or the DNS half changed, but one
// that runs longer than the tool time limit is ended. Every start is answered by one "started:" report
// (status 0, or a non-zero status when it was refused or failed to start),
// and every started program by one "finished:" report when it ends: its exit
// code, or 128 plus the signal number when a signal ended it.
//
// Reports are "started:PID,STATUS,NAME" and "finished:PID,CODE,NAME"; a start
// that never ran carries the process id 0.
class ProcessRunner : public QObject
{
    Q_OBJECT

public:
    enum StartStatus { Started = 0, Refused = 1, FailedToStart = 2, TooManyProcesses = 3 };

    static constexpr int defaultMaxProcesses = 16;
    // How long an ending program has between SIGTERM and SIGKILL.
    static constexpr int killGraceTime = 2000;
    static constexpr int maxOutputLine = 4096;
    static constexpr int defaultToolTimeLimit = 60000;

    explicit ProcessRunner(QObject *parent = nullptr, int maxProcesses = defaultMaxProcesses,
                           int toolTimeLimit = defaultToolTimeLimit);
    ~ProcessRunner() override;

    // Runs an allowed program for a client of the given user. The files the
    // command names are read here, on that user's behalf; OpenVPN and
    // WireGuard get a private copy of their configuration. Returns Started,
    // or the status of a refusal with its reason; the "started:" report of a
    // refusal is the caller's to send.
    StartStatus start(const CommandPolicy::Decision &decision, uint uid, QString *reason);

    // SIGTERM to every program of that name; with force, SIGKILL follows
    // after the grace time. Returns how many were signalled.
    int end(const QString &name, bool force);
    // Ends every VPN engine, forcefully; the tools finish on their own.
    int endEngines();
    // For the service's own exit: ends every program and waits up to msecs.
    void shutdown(int msecs);

    int runningCount() const { return m_programs.size(); }

    static QString startedReport(qint64 pid, int status, const QString &name);
    static QString finishedReport(qint64 pid, int code, const QString &name);
    // The exit code a report carries for a finished process.
    static int reportedExitCode(int exitCode, QProcess::ExitStatus exitStatus);

signals:
    // One report text, without the terminating line feed.
    void report(const QString &text);
    // One line of a program's output (not OpenVPN's, which goes to its log file).
    void output(const QString &name, const QString &line);

private:
    void onStarted(RunningProgram *program);
    void onFinished(RunningProgram *program, int exitCode, QProcess::ExitStatus exitStatus);
    void onErrorOccurred(RunningProgram *program, QProcess::ProcessError error);
    void onOutput(RunningProgram *program);
    void release(RunningProgram *program);
    void endProgram(RunningProgram *program, bool force);
    void info(const QString &text) const;

    int m_maxProcesses;
    int m_toolTimeLimit;
    QList<RunningProgram *> m_programs;
};
