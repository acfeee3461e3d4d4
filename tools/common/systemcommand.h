#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs a system program to its end and keeps what it wrote. The tools run
// as root, so programs are looked up in the system folders only, never
// through the caller's PATH.
class SystemCommand
{
public:
    struct Result
    {
        bool ran = false; // started and exited normally
        int exitCode = -1; // valid when ran is true
        QByteArray output; // standard output
        QByteArray errors; // standard error

        bool succeeded() const { return ran && exitCode == 0; }
        // Standard error (or, when empty, standard output) as one trimmed text.
        QString message() const;
    };

    // The absolute path of a program in /usr/sbin, /sbin, /usr/bin or /bin;
    // empty when it is in none of them.
    static QString findSystemProgram(const QString &name);

    // Runs the program with the arguments, writes the input to its standard
    // input and waits up to the timeout for it to end.
    static Result run(const QString &program, const QStringList &arguments, const QByteArray &input = {},
                      int timeoutMs = 30000);
};
