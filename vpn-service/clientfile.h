#pragma once

#include <QByteArray>
#include <QString>

// Files that a client names in a command (configurations to read, a log to
// append to), opened with the service's rights on behalf of a user who may
// not own them. Only regular files reached without a final symbolic link
// and owned by that user are used; a client running as root may name any.
class ClientFile
{
public:
    static constexpr qint64 maxConfigSize = 1024 * 1024;

    // The file's whole content, at most maxSize bytes.
    static bool read(const QString &path, uint uid, qint64 maxSize, QByteArray *content, QString *error);
    // A descriptor open for appending, or -1. The caller closes it.
    static int openForAppend(const QString &path, uint uid, QString *error);

private:
    static int openChecked(const QString &path, int flags, uint uid, QString *error, qint64 *size);
};
