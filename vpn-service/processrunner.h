#pragma once

#include "commandpolicy.h"
#include "stateowners.h"

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
//
// Every program belongs to the user whose client started it: its reports and
// output are that user's, and only that user can end it. Each user may run a
// bounded number of programs, all users together another; a tool that gives
// back state the user holds (see StateOwners) runs even at the limit, so that
// nobody can keep another user from restoring the DNS or the firewall.
class ProcessRunner : public QObject
{
    Q_OBJECT

public:
    enum StartStatus { Started = 0, Refused = 1, FailedToStart = 2, TooManyProcesses = 3 };

    static constexpr int defaultMaxProcesses = 32;
    static constexpr int defaultMaxProcessesPerUser = 8;
    // Restoring tools beyond the limits, per user at a time.
    static constexpr int maxRestoringPerUser = 4;
    // How long an ending program has between SIGTERM and SIGKILL.
    static constexpr int killGraceTime = 2000;
    static constexpr int maxOutputLine = 4096;
    static constexpr int defaultToolTimeLimit = 60000;

    explicit ProcessRunner(QObject *parent = nullptr, int maxProcesses = defaultMaxProcesses,
                           int toolTimeLimit = defaultToolTimeLimit,
                           int maxProcessesPerUser = defaultMaxProcessesPerUser);
    ~ProcessRunner() override;

    // Who holds the machine-wide state; without it nothing is owned.
    void setStateOwners(StateOwners *owners) { m_owners = owners; }

    // Runs an allowed program for a client of the given user. The files the
    // command names are read here, on that user's behalf; OpenVPN and
    // WireGuard get a private copy of their configuration, in the canonical
    // form of its allow-list. Returns Started, or the status of a refusal with
    // its reason; the "started:" report of a refusal is the caller's to send.
    StartStatus start(const CommandPolicy::Decision &decision, uint uid, QString *reason);

    // SIGTERM to every program of that name that belongs to the user; with
    // force, SIGKILL follows after the grace time. Returns how many were signalled.
    int end(const QString &name, bool force, uint uid);
    // Ends every VPN engine of the user, forcefully; the tools finish on their own.
    int endEngines(uint uid);
    // For the service's own exit: ends every program and waits up to msecs.
    void shutdown(int msecs);

    int runningCount() const { return m_programs.size(); }
    int runningCount(uint uid) const;

    static QString startedReport(qint64 pid, int status, const QString &name);
    static QString finishedReport(qint64 pid, int code, const QString &name);
    // The exit code a report carries for a finished process.
    static int reportedExitCode(int exitCode, QProcess::ExitStatus exitStatus);

signals:
    // One report text for the program's user, without the terminating line feed.
    void report(uint uid, const QString &text);
    // One line of a program's output (not OpenVPN's, which goes to its log file).
    void output(uint uid, const QString &name, const QString &line);

private:
    void onStarted(RunningProgram *program);
    void onFinished(RunningProgram *program, int exitCode, QProcess::ExitStatus exitStatus);
    void onErrorOccurred(RunningProgram *program, QProcess::ProcessError error);
    void onOutput(RunningProgram *program);
    // exitCode: the reported code, or -1 when the program never ran.
    void release(RunningProgram *program, int exitCode);
    void endProgram(RunningProgram *program, bool force);
    void info(const QString &text) const;

    QString limitProblem(const CommandPolicy::Decision &decision, uint uid, bool *restoring) const;

    int m_maxProcesses;
    int m_toolTimeLimit;
    int m_maxProcessesPerUser;
    StateOwners *m_owners = nullptr;
    QList<RunningProgram *> m_programs;
};
