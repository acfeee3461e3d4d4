#include "utils.h"

#include "buildconfig.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTextStream>
#include <QUrl>

namespace {
// Group-heading codes of the server lists (favorites, recent servers): never a flag of their own.
const QStringList specialCountryCodes = {QStringLiteral("*1"), QStringLiteral("*2")};

void warn(const QString &text)
{
    qWarning().noquote() << Utils::objectName() + ": " + text;
}
} // namespace

QString Utils::programDataPath()
{
    // The user's own data location: the first generic data location inside the home folder.
    const QString home = QDir::homePath();
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString &location : locations) {
        if (location.startsWith(home + QLatin1Char('/')))
            return QStringLiteral("%1/%2").arg(location, QString::fromUtf8(BuildConfig::title));
    }
    warn(QStringLiteral("Can't find '%1' path!").arg(home));
    return QString();
}

QString Utils::logDataPath()
{
    return QStringLiteral("/var/log/%1").arg(QString::fromUtf8(BuildConfig::title));
}

QString Utils::dnsDataFileNamePath()
{
    return QDir::toNativeSeparators(QStringLiteral("%1/dns.dat").arg(logDataPath()));
}

bool Utils::makeDirPath(const QString &path)
{
    return QDir(path).exists() || QDir().mkpath(path);
}

QString Utils::urlToLocalFile(const QString &text)
{
    return QUrl(text).toLocalFile();
}

QString Utils::platformExecutable(const QString &name, bool inApplicationDirectory)
{
    if (!inApplicationDirectory)
        return name;
    // On Linux the application directory already is the executable's real location.
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
}

QByteArray Utils::runProgram(const QString &program, const QStringList &arguments, bool mergeChannels,
                             bool *exitedNormally)
{
    QProcess process;
    if (mergeChannels)
        process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments, QIODevice::ReadOnly);
    const bool finished = process.waitForStarted(programTimeout) && process.waitForFinished(programTimeout);
    if (!finished && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
    }
    if (exitedNormally)
        *exitedNormally = finished && process.exitStatus() == QProcess::NormalExit;
    QByteArray output = process.readAllStandardOutput();
    const int nul = output.indexOf('\0');
    if (nul >= 0)
        output.truncate(nul);
    return output;
}

bool Utils::executableExists(const QString &name)
{
    const QString path
        = QString::fromLocal8Bit(runProgram(QStringLiteral("which"), {name}, false)).simplified();
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString Utils::processOutput(const QString &command, bool simplified)
{
    const QString output
        = QString::fromLocal8Bit(runProgram(QStringLiteral("bash"), {QStringLiteral("-c"), command}, false));
    return simplified ? output.simplified() : output;
}

bool Utils::processIsRunning(const QString &name, bool matchFullCommandLine)
{
    QStringList arguments;
    if (matchFullCommandLine)
        arguments << QStringLiteral("-f");
    arguments << name;
    bool exitedNormally = false;
    const QByteArray output = runProgram(QStringLiteral("pgrep"), arguments, true, &exitedNormally);
    // pgrep prints one process id per line; the first one decides.
    const QString first = QString::fromLocal8Bit(output).simplified().section(QLatin1Char(' '), 0, 0);
    bool ok = false;
    const qulonglong pid = first.toULongLong(&ok);
    return exitedNormally && ok && pid != 0;
}

void Utils::createEmptyFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        warn(QStringLiteral("Cannot create empty file '%1'").arg(path));
}

void Utils::appendSeparatorLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        warn(QStringLiteral("Cannot open file '%1' in append mode").arg(path));
        return;
    }
    QTextStream(&file) << separatorLine() << '\n';
}

bool Utils::save(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.flush();
}

QTemporaryFile *Utils::createTempFile(const QString &path)
{
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly)) {
        warn(QStringLiteral("Cannot read local temporary file for path '%1'").arg(path));
        return nullptr;
    }
    source.close();
    QTemporaryFile *copy = QTemporaryFile::createNativeFile(source);
    if (!copy)
        warn(QStringLiteral("Cannot create local temporary file for path '%1'").arg(path));
    return copy;
}

QString Utils::boolString(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString Utils::quotedString(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString Utils::joinStringList(const QStringList &list, const QString &separator)
{
    QStringList kept;
    for (const QString &entry : list) {
        if (!entry.simplified().isEmpty())
            kept << entry;
    }
    return kept.join(separator);
}

QString Utils::replacePathsWithFileNames(const QString &text)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    const QStringList words = text.split(whiteSpace, Qt::SkipEmptyParts);
    QStringList names;
    for (const QString &word : words) {
        QString name = QFileInfo(word).fileName();
        name.remove(QLatin1Char('"'));
        names << name.simplified();
    }
    return names.join(QLatin1Char(' '));
}

bool Utils::isValidIPv4Address(const QString &text)
{
    QHostAddress address;
    return address.setAddress(text) && address.protocol() == QAbstractSocket::IPv4Protocol;
}

bool Utils::isValidIPv6Address(const QString &text)
{
    QHostAddress address;
    return address.setAddress(text) && address.protocol() == QAbstractSocket::IPv6Protocol;
}

bool Utils::emptyIpAddress(const QString &text)
{
    return text == emptyIpAddress();
}

std::wstring Utils::toWString(const QString &text)
{
    return text.toStdWString();
}

QString Utils::fromWString(const std::wstring &text)
{
    return QString::fromStdWString(text);
}

QString Utils::howToInstallLinuxPackages(const QStringList &packages)
{
    const QString which
        = packages.size() == 1 ? QStringLiteral("this package") : QStringLiteral("these packages");
    return QStringLiteral(" Please install %1. For example, via 'sudo apt-get install %2'")
        .arg(which, packages.join(QLatin1Char(' ')));
}

QString Utils::countryFlagSource(const QString &code)
{
    if (code.isEmpty() || specialCountryCodes.contains(code))
        return defaultFlag();
    // Codes come from the server feed: only plain letters can name a flag resource.
    static const QRegularExpression letters(QStringLiteral("^[A-Za-z]{2,3}$"));
    if (!letters.match(code).hasMatch()) {
        warn(QStringLiteral("Resource for country '%1' does not exist").arg(code));
        return defaultFlag();
    }
    const QString path = QStringLiteral(":/resources/icons/flags/%1.png").arg(code.toLower());
    if (QFile::exists(path))
        return QStringLiteral("qrc") + path;
    warn(QStringLiteral("Resource for country '%1' does not exist").arg(code));
    return defaultFlag();
}

QStringList Utils::mtuSizeArguments(int interfaceId, int mtu)
{
    return {QStringLiteral("tun%1").arg(interfaceId), QStringLiteral("mtu"),
            QString::number(mtu < 1 ? 1500 : mtu)};
}

void Utils::setMtuSize(int interfaceId, int mtu)
{
    QProcess process;
    process.start(QStringLiteral("/sbin/ifconfig"), mtuSizeArguments(interfaceId, mtu), QIODevice::ReadOnly);
    const bool finished = process.waitForStarted(programTimeout) && process.waitForFinished(programTimeout);
    // A command that could not run, crashed or timed out must not read as success.
    const int code = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    qInfo().noquote() << objectName() + QStringLiteral(": 'Set mtu size' command finished with code: ")
            + QString::number(code);
}
