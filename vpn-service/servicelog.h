#pragma once

#include <QString>
#include <QtGlobal>

// The service's own log, in the client's line format: local time, a tab, the
// level word, two blanks and the message. It goes to a file; when the file
// cannot be written, to standard error (the journal under systemd).
class ServiceLog
{
public:
    static QString defaultPath();
    // Returns false when the messages go to standard error instead.
    static bool install(const QString &path);

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);
};
