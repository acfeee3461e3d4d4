#include "dnsdatafile.h"

#include "buildconfig.h"
#include "toolargument.h"
#include "utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
const QByteArray header = QByteArray("# ") + BuildConfig::title + " DNS data 1\n";
const QByteArray resolvConfLine = "resolv.conf\n";
const QByteArray routePrefix = "route ";

QString systemError()
{
    return QString::fromLocal8Bit(strerror(errno));
}

bool syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
} // namespace

QString DnsDataFile::defaultPath()
{
    const QString override = qEnvironmentVariable("VPN_DNS_DATA_FILE");
    return override.isEmpty() ? Utils::dnsDataFileNamePath() : override;
}

DnsDataFile::LoadResult DnsDataFile::load(const QString &path, DnsDataFile *data, QString *error)
{
    QFile file(path);
    if (!file.exists())
        return Missing;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return Corrupt;
    }
    const QByteArray content = file.readAll();
    if (!content.startsWith(header)) {
        *error = QStringLiteral("%1 is not a DNS data file").arg(path);
        return Corrupt;
    }
    DnsDataFile parsed;
    int position = header.size();
    while (true) {
        const int end = content.indexOf('\n', position);
        if (end < 0) {
            *error = QStringLiteral("%1 is incomplete").arg(path);
            return Corrupt;
        }
        const QByteArray line = content.mid(position, end - position + 1);
        position = end + 1;
        if (line == resolvConfLine)
            break;
        const QHostAddress route = line.startsWith(routePrefix)
            ? ToolArgument::ipAddress(QString::fromLatin1(line.mid(routePrefix.size()).trimmed()))
            : QHostAddress();
        if (route.isNull()) {
            *error = QStringLiteral("%1 holds an unknown line").arg(path);
            return Corrupt;
        }
        parsed.m_routes << route;
    }
    parsed.m_resolvConf = content.mid(position);
    *data = parsed;
    return Loaded;
}

bool DnsDataFile::save(const QString &path, QString *error) const
{
    QByteArray content = header;
    for (const QHostAddress &route : m_routes)
        content += routePrefix + route.toString().toLatin1() + '\n';
    content += resolvConfLine + m_resolvConf;

    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    const QString temporary = path + QStringLiteral(".tmp");
    const QByteArray temporaryName = QFile::encodeName(temporary);
    const int fd = ::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = QStringLiteral("cannot create %1: %2").arg(temporary, systemError());
        return false;
    }
    qint64 written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.constData() + written, size_t(content.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    const bool ok = written == content.size() && ::fsync(fd) == 0;
    const QString writeError = systemError();
    ::close(fd);
    if (!ok || ::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, ok ? systemError() : writeError);
        ::unlink(temporaryName.constData());
        return false;
    }
    if (!syncFolder(folder)) {
        *error = QStringLiteral("cannot sync the folder %1: %2").arg(folder, systemError());
        return false;
    }
    return true;
}

bool DnsDataFile::remove(const QString &path, QString *error)
{
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT) {
        *error = QStringLiteral("cannot remove %1: %2").arg(path, systemError());
        return false;
    }
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}
