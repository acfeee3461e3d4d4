#include "systemcommand.h"

#include <QFileInfo>
#include <QProcess>

QString SystemCommand::Result::message() const
{
    const QByteArray text = errors.trimmed().isEmpty() ? output.trimmed() : errors.trimmed();
    return QString::fromLocal8Bit(text);
}

QString SystemCommand::findSystemProgram(const QString &name)
{
    static const QStringList folders = {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                        QStringLiteral("/usr/bin"), QStringLiteral("/bin")};
    for (const QString &folder : folders) {
        const QFileInfo info(folder + QLatin1Char('/') + name);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return QString();
}

SystemCommand::Result SystemCommand::run(const QString &program, const QStringList &arguments,
                                         const QByteArray &input, int timeoutMs)
{
    Result result;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs)) {
        result.errors = QStringLiteral("cannot run %1: %2").arg(program, process.errorString()).toLocal8Bit();
        return result;
    }
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        result.output = process.readAllStandardOutput();
        result.errors = QStringLiteral("%1 did not finish in time").arg(program).toLocal8Bit();
        return result;
    }
    result.output = process.readAllStandardOutput();
    result.errors = process.readAllStandardError();
    result.ran = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = result.ran ? process.exitCode() : -1;
    if (!result.ran && result.errors.isEmpty())
        result.errors = QStringLiteral("%1 crashed").arg(program).toLocal8Bit();
    return result;
}
