#include "commandrunner.h"

#include "systemcommand.h"

#include <QFileInfo>

CommandRunner::Result CommandRunner::run(const QString &program, const QStringList &arguments,
                                         const QByteArray &input)
{
    Result result;
    // The engine runs as root: programs come from the system folders, never from PATH.
    const QString path
        = QFileInfo(program).isAbsolute() ? program : SystemCommand::findSystemProgram(program);
    if (path.isEmpty()) {
        result.output = QStringLiteral("%1 not found").arg(program);
        return result;
    }
    const SystemCommand::Result ran = SystemCommand::run(path, arguments, input, timeoutMs);
    result.ok = ran.succeeded();
    result.exitCode = ran.exitCode;
    result.output = result.ok ? QString::fromLocal8Bit(ran.output).trimmed() : ran.message();
    return result;
}
