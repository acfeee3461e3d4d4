#include "stunnel.h"

#include "utils.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace {
const QString successReport = QStringLiteral("Configuration successful");
const QString hostNamePlaceholder = QStringLiteral("<HOSTNAME>");
const QString optionsPlaceholder = QStringLiteral("<ADVANCED_OPTIONS>");
const QString advancedOptions = QStringLiteral("foreground = yes");
constexpr int stopTimeout = 30000;
constexpr int leftoverTimeout = 3000;

// A zombie has ended already; only its parent has not collected it yet.
bool isAlive(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray stat = file.read(4096);
    const int end = stat.lastIndexOf(')');
    return end > 0 && stat.size() > end + 2 && stat.at(end + 2) != 'Z';
}

QString decode(QByteArray bytes)
{
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return QString::fromUtf8(bytes);
}
} // namespace

Stunnel::Stunnel(QObject *parent) : QObject(parent), m_process(new QProcess(this))
{
    setObjectName(QStringLiteral("Stunnel"));
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_process, &QProcess::readyRead, this, &Stunnel::onReadyRead);
    connect(m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &Stunnel::onFinished);
}

Stunnel::~Stunnel()
{
    stop();
}

QString Stunnel::appFileName() const
{
    return Utils::platformExecutable(QStringLiteral("stunnel"), false);
}

QString Stunnel::appFileNamePath() const
{
    return QDir::toNativeSeparators(
        QStringLiteral("%1/stunnel/bin/%2").arg(QCoreApplication::applicationDirPath(), appFileName()));
}

QString Stunnel::confFileName() const
{
    return QStringLiteral("stunnel.conf");
}

QString Stunnel::confFileNamePath() const
{
    return QDir::toNativeSeparators(QStringLiteral("%1/%2").arg(Utils::programDataPath(), confFileName()));
}

bool Stunnel::writeConfigFile(const QString &hostName)
{
    QFile resource(QStringLiteral(":/resources/config/%1").arg(confFileName()));
    if (!resource.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << objectName() + QStringLiteral(": Can't open stunnel resource file!");
        return false;
    }
    QString text = decode(resource.readAll());
    text.replace(hostNamePlaceholder, hostName);
    text.replace(optionsPlaceholder, advancedOptions);

    const QString path = confFileNamePath();
    QFile::remove(path);
    Utils::makeDirPath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qWarning().noquote() << objectName() + QStringLiteral(": Can't open stunnel file for writing!");
        return false;
    }
    file.write(text.toUtf8());
    file.close();
    return QFileInfo(path).size() > 0;
}

bool Stunnel::start(const QString &hostName)
{
    stop();
    if (!writeConfigFile(hostName))
        return false;
    m_outputTail.clear();
    // A stunnel of an earlier run that crashed would still hold the local port.
    endLeftoverInstances();
    const QString program = appFileNamePath();
    const QString config = confFileNamePath();
    m_process->start(program, {config}, QIODevice::ReadWrite);
    qInfo().noquote() << objectName()
            + QStringLiteral(": Process started with args: '%1', '%2'").arg(program, config);
    return true;
}

void Stunnel::stop()
{
    if (m_process->state() == QProcess::NotRunning)
        return;
    qInfo().noquote() << objectName() + QStringLiteral(": Stop process");
    m_process->close();
    m_process->waitForFinished(stopTimeout);
    endLeftoverInstances();
}

void Stunnel::endLeftoverInstances() const
{
    const QString config = confFileNamePath();
    const QStringList names = {appFileName(), QStringLiteral("stunnel4")};
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    const pid_t own = getpid();
    QList<pid_t> leftovers;
    for (const QString &entry : entries) {
        bool ok = false;
        const pid_t pid = entry.toInt(&ok);
        if (!ok || pid <= 0 || pid == own)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        // The command line exactly as this client starts stunnel: the program and the configuration path.
        const QList<QByteArray> arguments = cmdline.read(64 * 1024).split('\0');
        if (arguments.size() != 3 || !arguments.at(2).isEmpty()
            || QString::fromUtf8(arguments.at(1)) != config
            || !names.contains(QFileInfo(QString::fromUtf8(arguments.at(0))).fileName()))
            continue;
        qInfo().noquote() << objectName() + QStringLiteral(": End leftover process %1").arg(pid);
        if (::kill(pid, SIGTERM) == 0)
            leftovers << pid;
    }

    QElapsedTimer waited;
    waited.start();
    while (!leftovers.isEmpty()) {
        leftovers.erase(
            std::remove_if(leftovers.begin(), leftovers.end(), [](pid_t pid) { return !isAlive(pid); }),
            leftovers.end());
        if (leftovers.isEmpty())
            break;
        if (waited.elapsed() > leftoverTimeout) {
            for (const pid_t pid : qAsConst(leftovers))
                ::kill(pid, SIGKILL);
            break;
        }
        QThread::msleep(20);
    }
}

void Stunnel::onReadyRead()
{
    const QString chunk = decode(m_process->readAll());
    const QString text = m_outputTail + chunk;
    // Keep less than one whole report, so no report is seen twice.
    m_outputTail = text.right(successReport.size() - 1);
    if (!text.contains(successReport))
        return;
    qInfo().noquote() << objectName() + QStringLiteral(": Configuration successful");
    QFile::remove(confFileNamePath());
    emit started(true);
}

void Stunnel::onFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    qInfo().noquote() << objectName()
            + QStringLiteral(": Process finished with exit code '%1' and status '%2'")
                  .arg(exitCode)
                  .arg(int(exitStatus));
}
