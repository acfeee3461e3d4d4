#include "servicelog.h"

#include "buildconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>

namespace {
QFile &logFile()
{
    static QFile file;
    return file;
}

QMutex &logMutex()
{
    static QMutex mutex;
    return mutex;
}
} // namespace

QString ServiceLog::defaultPath()
{
    return QStringLiteral("/var/log/%1/vpn-service.log").arg(QString::fromUtf8(BuildConfig::title));
}

bool ServiceLog::install(const QString &path)
{
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss}\t%{type}  %{message}"));
    QFile &file = logFile();
    file.setFileName(path);
    const bool opened = QDir().mkpath(QFileInfo(path).path())
        && file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    if (opened)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    qInstallMessageHandler(ServiceLog::handler);
    return opened;
}

void ServiceLog::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QByteArray line = qFormatLogMessage(type, context, message.simplified()).toUtf8() + '\n';
    QMutexLocker locker(&logMutex());
    QFile &file = logFile();
    if (file.isOpen()) {
        file.write(line);
        file.flush();
    } else {
        std::fputs(line.constData(), stderr);
    }
}
