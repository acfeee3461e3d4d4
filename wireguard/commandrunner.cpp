#include "commandrunner.h"

#include <QProcess>

CommandRunner::Result CommandRunner::run(const QString &program, const QStringList &arguments,
                                         const QByteArray &input)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Result result;
    if (!process.waitForStarted(timeoutMs)) {
        result.output = process.errorString();
        return result;
    }
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        result.output = QStringLiteral("timed out");
        return result;
    }
    result.output = QString::fromLocal8Bit(process.readAll()).trimmed();
    result.exitCode = process.exitCode();
    result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return result;
}
