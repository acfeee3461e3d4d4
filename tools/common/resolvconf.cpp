#include "resolvconf.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The address of a "nameserver" line, or an empty text for any other line.
QByteArray nameserverOf(const QByteArray &line)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    if (words.size() >= 2 && words.at(0) == "nameserver")
        return words.at(1);
    return QByteArray();
}
} // namespace

QStringList ResolvConf::nameservers(const QByteArray &text)
{
    QStringList servers;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray server = nameserverOf(line);
        if (!server.isEmpty())
            servers << QString::fromLatin1(server);
    }
    return servers;
}

QByteArray ResolvConf::withNameservers(const QByteArray &text, const QStringList &servers)
{
    QByteArray serverLines;
    for (const QString &server : servers)
        serverLines += "nameserver " + server.toLatin1() + '\n';

    QByteArray result;
    bool placed = false;
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the text's final line end
    for (const QByteArray &line : qAsConst(lines)) {
        if (!nameserverOf(line).isEmpty()) {
            if (!placed)
                result += serverLines;
            placed = true;
            continue;
        }
        result += line + '\n';
    }
    if (!placed)
        result += serverLines;
    return result;
}

bool ResolvConf::read(const QString &path, QByteArray *text, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    *text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool ResolvConf::writeInPlace(const QString &path, const QByteArray &text, QString *error)
{
    const QByteArray nativePath = QFile::encodeName(path);
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = QStringLiteral("cannot open %1 for writing: %2")
                     .arg(path, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    // Writing first and truncating after keeps the file from being empty
    // while the resolver may read it.
    qint64 written = 0;
    while (written < text.size()) {
        const ssize_t n
            = ::pwrite(fd, text.constData() + written, size_t(text.size() - written), off_t(written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    const bool ok = written == text.size() && ::ftruncate(fd, off_t(text.size())) == 0 && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!ok) {
        *error
            = QStringLiteral("cannot write %1: %2").arg(path, QString::fromLocal8Bit(strerror(savedErrno)));
        return false;
    }
    return true;
}
