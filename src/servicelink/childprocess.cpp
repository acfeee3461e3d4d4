#include "childprocess.h"

#include <QDebug>

namespace {
constexpr int waitTimeout = 30000;
constexpr int destroyTimeout = 10000;
} // namespace

ChildProcess::ChildProcess(QObject *parent) : QObject(parent), m_process(new QProcess(this))
{
    setObjectName(QStringLiteral("ChildProcess"));
    connect(m_process, &QProcess::errorOccurred, this, &ChildProcess::onErrorOccurred);
    connect(m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &ChildProcess::onFinished);
}

ChildProcess::~ChildProcess()
{
    m_process->disconnect(this);
    if (m_process->state() != QProcess::NotRunning && !m_process->waitForFinished(destroyTimeout)) {
        m_process->kill();
        m_process->waitForFinished();
    }
    delete m_process;
}

void ChildProcess::executeCommand(const QString &program, const QStringList &arguments)
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished();
    }
    m_process->start(program, arguments, QIODevice::ReadWrite);
}

QStringList ChildProcess::executeCommandAndWait(const QString &program, const QStringList &arguments,
                                                bool readOutput)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments, QIODevice::ReadWrite);
    process.waitForFinished(waitTimeout);
    QByteArray output = readOutput ? process.readAllStandardOutput() : QByteArray();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    if (!readOutput)
        return {};
    const int nul = output.indexOf('\0');
    if (nul >= 0)
        output.truncate(nul);
    return QString::fromUtf8(output).split(QLatin1Char('\n'));
}

QString ChildProcess::errorText(QProcess::ProcessError error)
{
    switch (error) {
    case QProcess::FailedToStart:
        return QStringLiteral("failed to start");
    case QProcess::Crashed:
        return QStringLiteral("crashed");
    case QProcess::Timedout:
        return QStringLiteral("timed out");
    case QProcess::ReadError:
        return QStringLiteral("read error");
    case QProcess::WriteError:
        return QStringLiteral("write error");
    case QProcess::UnknownError:
        return QStringLiteral("unknown error");
    }
    return QString();
}

void ChildProcess::onErrorOccurred(QProcess::ProcessError error)
{
    qWarning().noquote() << objectName() + QStringLiteral(": Error occured: ") + errorText(error);
}

void ChildProcess::onFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    emit processFinished(exitCode == 0 && exitStatus == QProcess::NormalExit);
}
