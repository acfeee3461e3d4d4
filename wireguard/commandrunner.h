#pragma once

#include <QString>
#include <QStringList>

// Runs short system commands (ip, wg) with argument lists, never through a
// shell, and keeps a readable trace of what ran for the engine's log.
class CommandRunner
{
public:
    struct Result
    {
        bool ok = false;
        int exitCode = -1;
        QString output; // standard output on success, else the error message
    };

    virtual ~CommandRunner() = default;
    virtual Result run(const QString &program, const QStringList &arguments, const QByteArray &input = {});

    static constexpr int timeoutMs = 10000;
};
