#include "clientfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int ClientFile::openChecked(const QString &path, int flags, uint uid, QString *error, qint64 *size)
{
    // O_NONBLOCK: a FIFO or device must not hold the service up while it is refused.
    const int fd
        = ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        *error
            = QStringLiteral("cannot open '%1': %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    }
    struct stat status
    {
    };
    QString problem;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        problem = QStringLiteral("'%1' is not a regular file").arg(path);
    else if (uid != 0 && status.st_uid != uid)
        problem = QStringLiteral("'%1' does not belong to the client's user").arg(path);
    else if (status.st_nlink != 1)
        problem = QStringLiteral("'%1' has more than one name").arg(path);
    if (!problem.isEmpty()) {
        ::close(fd);
        *error = problem;
        return -1;
    }
    const int fileFlags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, fileFlags & ~O_NONBLOCK);
    if (size)
        *size = status.st_size;
    return fd;
}

bool ClientFile::read(const QString &path, uint uid, qint64 maxSize, QByteArray *content, QString *error)
{
    qint64 size = 0;
    const int fd = openChecked(path, O_RDONLY, uid, error, &size);
    if (fd < 0)
        return false;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = QStringLiteral("cannot read '%1'").arg(path);
        return false;
    }
    *content = file.read(maxSize + 1);
    if (size > maxSize || content->size() > maxSize) {
        *error = QStringLiteral("'%1' is too large").arg(path);
        return false;
    }
    return true;
}

int ClientFile::openForAppend(const QString &path, uint uid, QString *error)
{
    return openChecked(path, O_WRONLY | O_APPEND, uid, error, nullptr);
}
