#include "trustedpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

QString TrustedPath::entryProblem(const QString &path, bool mustBeDirectory)
{
    struct stat status
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return QStringLiteral("'%1' does not exist").arg(path);
    // A link cannot be changed in place; what it points to is checked on its own.
    if (S_ISLNK(status.st_mode))
        return QString();
    if (mustBeDirectory && !S_ISDIR(status.st_mode))
        return QStringLiteral("'%1' is not a directory").arg(path);
    if (status.st_uid != 0 && status.st_uid != ::geteuid())
        return QStringLiteral("'%1' belongs to another user").arg(path);
    // In a sticky directory nobody but an entry's owner may replace the entry.
    const bool sticky = S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX);
    const bool groupWritable = (status.st_mode & S_IWGRP) && status.st_gid != 0 && !sticky;
    const bool othersWritable = (status.st_mode & S_IWOTH) && !sticky;
    if (groupWritable || othersWritable)
        return QStringLiteral("'%1' can be changed by other users").arg(path);
    return QString();
}

QString TrustedPath::chainProblem(const QString &path)
{
    QString problem = entryProblem(path, false);
    for (QString dir = QFileInfo(path).path(); problem.isEmpty(); dir = QFileInfo(dir).path()) {
        problem = entryProblem(dir, true);
        if (dir == QLatin1String("/"))
            break;
    }
    return problem;
}

QString TrustedPath::executableProblem(const QString &path)
{
    if (!QDir::isAbsolutePath(path))
        return QStringLiteral("'%1' is not an absolute path").arg(path);
    QString problem = chainProblem(QDir::cleanPath(path));
    if (!problem.isEmpty())
        return problem;
    const QFileInfo target(QFileInfo(path).canonicalFilePath());
    if (target.filePath().isEmpty() || !target.isFile() || !target.isExecutable())
        return QStringLiteral("'%1' is not an executable file").arg(path);
    return chainProblem(target.filePath());
}
