#include "processrunner.h"

#include "clientfile.h"
#include "trustedpath.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcessEnvironment>
#include <QScopedPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <unistd.h>

// One program the service started: a process that leads a process group of
// its own, so that ending it ends what it started too.
class RunningProgram : public QProcess
{
public:
    using QProcess::QProcess;

    QString name;
    uint uid = 0;
    CommandPolicy::Program program = CommandPolicy::Program::None;
    CommandPolicy::Effect effect = CommandPolicy::Effect::None;
    StateOwners::Claim claim;
    bool restoring = false;
    bool engine = false;
    qint64 pid = 0;
    bool startReported = false;
    QScopedPointer<QTemporaryDir> privateDir;
    QScopedPointer<QFile> log;
    QByteArray partialLine;

    void signalGroup(int signal)
    {
        // Right after the fork the program may not lead its group yet.
        const auto leader = static_cast<pid_t>(pid > 0 ? pid : processId());
        if (leader > 0 && ::kill(-leader, signal) != 0)
            ::kill(leader, signal);
    }

protected:
    void setupChildProcess() override
    {
        // The service's own signal settings are not the program's.
        ::setsid();
        for (const int signal : {SIGPIPE, SIGTERM, SIGINT, SIGHUP})
            ::signal(signal, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
    }
};

namespace {
QProcessEnvironment cleanEnvironment()
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"),
                       QStringLiteral("/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/root"));
    return environment;
}
} // namespace

ProcessRunner::ProcessRunner(QObject *parent, int maxProcesses, int toolTimeLimit, int maxProcessesPerUser)
    : QObject(parent),
      m_maxProcesses(maxProcesses),
      m_toolTimeLimit(toolTimeLimit),
      m_maxProcessesPerUser(maxProcessesPerUser)
{
    setObjectName(QStringLiteral("ProcessRunner"));
}

ProcessRunner::~ProcessRunner()
{
    shutdown(killGraceTime);
}

void ProcessRunner::info(const QString &text) const
{
    qInfo().noquote() << objectName() + QStringLiteral(": ") + text;
}

QString ProcessRunner::startedReport(qint64 pid, int status, const QString &name)
{
    return QStringLiteral("started:%1,%2,%3").arg(pid).arg(status).arg(name);
}

QString ProcessRunner::finishedReport(qint64 pid, int code, const QString &name)
{
    return QStringLiteral("finished:%1,%2,%3").arg(pid).arg(code).arg(name);
}

int ProcessRunner::reportedExitCode(int exitCode, QProcess::ExitStatus exitStatus)
{
    // After a crash Qt gives the number of the signal that ended the process.
    return exitStatus == QProcess::CrashExit ? 128 + exitCode : exitCode;
}

int ProcessRunner::runningCount(uint uid) const
{
    return int(std::count_if(m_programs.cbegin(), m_programs.cend(),
                             [uid](const RunningProgram *program) { return program->uid == uid; }));
}

QString ProcessRunner::limitProblem(const CommandPolicy::Decision &decision, uint uid, bool *restoring) const
{
    *restoring = false;
    const int own = runningCount(uid);
    if (m_programs.size() < m_maxProcesses && own < m_maxProcessesPerUser)
        return QString();
    if (m_owners && m_owners->restoresOwnState(decision.effect, uid)) {
        const int restoringNow
            = int(std::count_if(m_programs.cbegin(), m_programs.cend(), [uid](const RunningProgram *program) {
                  return program->uid == uid && program->restoring;
              }));
        if (restoringNow < maxRestoringPerUser) {
            *restoring = true;
            return QString();
        }
    }
    return own >= m_maxProcessesPerUser
        ? QStringLiteral("too many running programs of user %1 (%2)")
              .arg(QString::number(uid), QString::number(own))
        : QStringLiteral("too many running programs (%1)").arg(m_programs.size());
}

ProcessRunner::StartStatus ProcessRunner::start(const CommandPolicy::Decision &decision, uint uid,
                                                QString *reason)
{
    if (m_owners) {
        *reason = m_owners->refusal(decision.program, decision.effect, uid);
        if (!reason->isEmpty())
            return Refused;
    }
    bool restoring = false;
    *reason = limitProblem(decision, uid, &restoring);
    if (!reason->isEmpty())
        return TooManyProcesses;
    *reason = TrustedPath::executableProblem(decision.executable);
    if (!reason->isEmpty())
        return Refused;

    QScopedPointer<RunningProgram> program(new RunningProgram);
    program->name = decision.name;
    program->uid = uid;
    program->program = decision.program;
    program->effect = decision.effect;
    program->restoring = restoring;
    program->engine = decision.program == CommandPolicy::Program::OpenVpn
        || decision.program == CommandPolicy::Program::WireGuard;
    QStringList arguments = decision.arguments;

    if (!decision.configPath.isEmpty()) {
        QByteArray text;
        if (!ClientFile::read(decision.configPath, uid, ClientFile::maxConfigSize, &text, reason))
            return Refused;
        QByteArray config;
        if (!CommandPolicy::canonicalConfig(decision.program, text, &config, reason))
            return Refused;
        // The program reads the service's own canonical copy, which nobody
        // else can change; the file name stays, as it may name the tunnel.
        program->privateDir.reset(
            new QTemporaryDir(QDir::tempPath() + QStringLiteral("/vpn-service-XXXXXX")));
        const QString copyPath = program->privateDir->filePath(QFileInfo(decision.configPath).fileName());
        QFile copy(copyPath);
        if (!program->privateDir->isValid() || !copy.open(QIODevice::WriteOnly)
            || copy.write(config) != config.size()) {
            *reason = QStringLiteral("cannot copy the configuration");
            return Refused;
        }
        copy.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        arguments = decision.program == CommandPolicy::Program::OpenVpn
            ? CommandPolicy::openVpnArguments(copyPath)
            : CommandPolicy::wireGuardArguments(copyPath, uid);
    }

    if (!decision.logPath.isEmpty()) {
        const int fd = ClientFile::openForAppend(decision.logPath, uid, reason);
        if (fd < 0)
            return Refused;
        program->log.reset(new QFile);
        program->log->open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle);
    }

    RunningProgram *running = program.take();
    running->setParent(this);
    running->setProcessEnvironment(cleanEnvironment());
    running->setWorkingDirectory(QStringLiteral("/"));
    running->setProcessChannelMode(QProcess::MergedChannels);
    connect(running, &QProcess::started, this, [this, running]() { onStarted(running); });
    connect(running, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, running](int exitCode, QProcess::ExitStatus exitStatus) {
                onFinished(running, exitCode, exitStatus);
            });
    connect(running, &QProcess::errorOccurred, this,
            [this, running](QProcess::ProcessError error) { onErrorOccurred(running, error); });
    connect(running, &QProcess::readyReadStandardOutput, this, [this, running]() { onOutput(running); });
    m_programs.append(running);
    if (m_owners)
        running->claim = m_owners->started(running->program, running->effect, uid);
    if (!running->engine) {
        QTimer *limit = new QTimer(running);
        limit->setSingleShot(true);
        connect(limit, &QTimer::timeout, this, [this, running]() {
            qWarning().noquote() << objectName()
                    + QStringLiteral(": %1 runs longer than %2 ms, ending it")
                          .arg(running->name)
                          .arg(m_toolTimeLimit);
            endProgram(running, true);
        });
        limit->start(m_toolTimeLimit);
    }
    QStringList shownArguments;
    for (const QString &argument : qAsConst(arguments))
        shownArguments << QLatin1Char('"') + argument + QLatin1Char('"');
    info(QStringLiteral("Starting %1 %2 for user %3")
             .arg(decision.executable, shownArguments.join(QLatin1Char(' ')), QString::number(uid)));
    running->start(decision.executable, arguments, QIODevice::ReadOnly);
    return Started;
}

void ProcessRunner::onStarted(RunningProgram *program)
{
    if (program->startReported)
        return;
    program->pid = program->processId();
    program->startReported = true;
    info(QStringLiteral("Started %1, process %2").arg(program->name).arg(program->pid));
    emit report(program->uid, startedReport(program->pid, Started, program->name));
}

void ProcessRunner::onErrorOccurred(RunningProgram *program, QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart || program->startReported)
        return;
    qWarning().noquote() << objectName()
            + QStringLiteral(": Cannot start %1: %2").arg(program->name, program->errorString());
    program->startReported = true;
    emit report(program->uid, startedReport(0, FailedToStart, program->name));
    release(program, -1);
}

void ProcessRunner::onOutput(RunningProgram *program)
{
    // Output can be seen before Qt tells of the start; the report comes first.
    onStarted(program);
    const QByteArray data = program->readAllStandardOutput();
    if (program->log) {
        program->log->write(data);
        program->log->flush();
        return;
    }
    program->partialLine += data;
    int end;
    while ((end = program->partialLine.indexOf('\n')) >= 0 || program->partialLine.size() > maxOutputLine) {
        const int length = end >= 0 ? qMin(end, maxOutputLine) : maxOutputLine;
        const QString line = QString::fromUtf8(program->partialLine.left(length)).trimmed();
        program->partialLine.remove(0, end >= 0 && end <= maxOutputLine ? end + 1 : length);
        info(program->name + QStringLiteral(": ") + line);
        emit output(program->uid, program->name, line);
    }
}

void ProcessRunner::onFinished(RunningProgram *program, int exitCode, QProcess::ExitStatus exitStatus)
{
    onOutput(program);
    if (!program->partialLine.isEmpty()) {
        program->partialLine += '\n';
        onOutput(program);
    }
    // What the program left behind in its group ends with it.
    if (program->pid > 0)
        ::kill(static_cast<pid_t>(-program->pid), SIGKILL);
    const int code = reportedExitCode(exitCode, exitStatus);
    info(QStringLiteral("Finished %1, process %2, exit code %3")
             .arg(program->name)
             .arg(program->pid)
             .arg(code));
    emit report(program->uid, finishedReport(program->pid, code, program->name));
    release(program, code);
}

void ProcessRunner::release(RunningProgram *program, int exitCode)
{
    m_programs.removeOne(program);
    program->disconnect(this);
    program->deleteLater();
    if (!m_owners)
        return;
    const bool engineRunsOn
        = std::any_of(m_programs.cbegin(), m_programs.cend(), [program](const RunningProgram *other) {
              return other->engine && other->uid == program->uid;
          });
    m_owners->finished(program->effect, program->uid, exitCode, program->claim, engineRunsOn);
}

void ProcessRunner::endProgram(RunningProgram *program, bool force)
{
    program->signalGroup(SIGTERM);
    if (!force)
        return;
    QPointer<RunningProgram> guarded(program);
    QTimer::singleShot(killGraceTime, this, [guarded]() {
        if (guarded && guarded->state() != QProcess::NotRunning)
            guarded->signalGroup(SIGKILL);
    });
}

int ProcessRunner::end(const QString &name, bool force, uint uid)
{
    int count = 0;
    for (RunningProgram *program : qAsConst(m_programs)) {
        if (program->name != name || program->uid != uid || program->state() == QProcess::NotRunning)
            continue;
        ++count;
        endProgram(program, force);
    }
    info(QStringLiteral("%1 %2 of user %3: %4 program(s)")
             .arg(force ? QStringLiteral("Kill") : QStringLiteral("Stop"), name, QString::number(uid),
                  QString::number(count)));
    return count;
}

int ProcessRunner::endEngines(uint uid)
{
    int count = 0;
    for (RunningProgram *program : qAsConst(m_programs)) {
        if (!program->engine || program->uid != uid || program->state() == QProcess::NotRunning)
            continue;
        ++count;
        endProgram(program, true);
    }
    info(QStringLiteral("End the engines of user %1: %2 program(s)")
             .arg(QString::number(uid), QString::number(count)));
    return count;
}

void ProcessRunner::shutdown(int msecs)
{
    if (m_programs.isEmpty())
        return;
    info(QStringLiteral("Ending %1 program(s)").arg(m_programs.size()));
    const QList<RunningProgram *> programs = m_programs;
    for (RunningProgram *program : programs)
        program->signalGroup(SIGTERM);
    QDeadlineTimer deadline(msecs);
    for (RunningProgram *program : programs) {
        if (!program->waitForFinished(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
            program->signalGroup(SIGKILL);
            program->waitForFinished(1000);
        }
    }
}
