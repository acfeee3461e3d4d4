#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The system resolver configuration (/etc/resolv.conf).
//
// The file may be a bind mount (every network namespace of "ip netns exec"
// gets its own), so it is always written in place, never replaced by a
// renamed copy: a rename would fail on a mount point, or silently detach
// the file from what the resolver reads.
class ResolvConf
{
public:
    static QString systemPath() { return QStringLiteral("/etc/resolv.conf"); }

    // The addresses of the "nameserver" lines, in order.
    static QStringList nameservers(const QByteArray &text);
    // The text with its "nameserver" lines replaced by the given servers, at
    // the place of the first one (or at the end); other lines are kept.
    static QByteArray withNameservers(const QByteArray &text, const QStringList &servers);

    // Reads the whole file; false with a message when it is missing or unreadable.
    static bool read(const QString &path, QByteArray *text, QString *error);
    // Writes the bytes into the existing file (created when missing),
    // truncates what is left behind and flushes it to the disk.
    static bool writeInPlace(const QString &path, const QByteArray &text, QString *error);
};
