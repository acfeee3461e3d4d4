#include "commandpolicy.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSet>

namespace {
using Program = CommandPolicy::Program;

const QList<Program> allPrograms = {Program::OpenVpn, Program::WireGuard, Program::KillSwitch, Program::Dns};

QString relativePath(Program program)
{
    switch (program) {
    case Program::OpenVpn:
        return QStringLiteral("openvpn/bin/openvpn");
    case Program::WireGuard:
        return QStringLiteral("wireguard/bin/wireguard-service");
    case Program::KillSwitch:
        return QStringLiteral("killswitch");
    case Program::Dns:
        return QStringLiteral("dns");
    case Program::None:
        break;
    }
    return QString();
}

bool hasControlCharacter(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

bool isAbsoluteFilePath(const QString &text)
{
    return text.startsWith(QLatin1Char('/')) && !text.endsWith(QLatin1Char('/')) && text.size() <= 4096
        && !hasControlCharacter(text);
}

// The name a report may carry for a refused program: its file name, reduced
// to characters that cannot break the report's fields.
QString reportName(const QString &path)
{
    QString name = path.section(QLatin1Char('/'), -1).left(64);
    for (QChar &c : name) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('.') && c != QLatin1Char('-') && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    }
    return name;
}

// One "device@address,address,..." entry of the DNS tool.
bool isDnsEntry(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_.:-]{1,15}@(.*)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const QStringList addresses = match.captured(1).split(QLatin1Char(','));
    if (addresses.size() > 32)
        return false;
    for (const QString &address : addresses) {
        if (!address.isEmpty() && !CommandPolicy::isAddress(address))
            return false;
    }
    return true;
}

// OpenVPN's own reading of the first word of a configuration line: quotes
// group, a backslash escapes the next character, and a leading "--" is
// allowed as on the command line.
QByteArray firstWord(const QByteArray &line)
{
    QByteArray word;
    char quote = 0;
    for (int i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (quote) {
            if (c == quote)
                quote = 0;
            else if (c == '\\' && quote == '"' && i + 1 < line.size())
                word += line.at(++i);
            else
                word += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line.at(++i);
        } else if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
            break;
        } else {
            word += c;
        }
    }
    if (word.startsWith("--"))
        word.remove(0, 2);
    return word.toLower();
}

// Directives that run programs, load code, write files as root, or take the
// management interface away from the client.
const QSet<QByteArray> forbiddenDirectives = {
    "up",
    "down",
    "route-up",
    "route-pre-down",
    "ipchange",
    "tls-verify",
    "auth-user-pass-verify",
    "client-connect",
    "client-disconnect",
    "learn-address",
    "tls-crypt-v2-verify",
    "plugin",
    "script-security",
    "setenv",
    "setenv-safe",
    "iproute",
    "config",
    "log",
    "log-append",
    "status",
    "writepid",
    "cd",
    "chroot",
    "daemon",
    "tmp-dir",
    "replay-persist",
    "ifconfig-pool-persist",
    "tls-export-cert",
    "engine",
    "providers",
};
const QList<QByteArray> forbiddenPrefixes = {"management", "pkcs11-"};

// Inline blocks of key material whose lines OpenVPN does not read as options.
const QSet<QByteArray> dataBlocks = {
    "ca",
    "cert",
    "extra-certs",
    "key",
    "tls-auth",
    "tls-crypt",
    "tls-crypt-v2",
    "secret",
    "dh",
    "pkcs12",
    "crl-verify",
    "http-proxy-user-pass",
    "auth-user-pass",
    "peer-fingerprint",
};
// A block whose lines are options of one connection profile.
const QByteArray connectionBlock = "connection";

QString directiveProblem(const QByteArray &directive)
{
    if (forbiddenDirectives.contains(directive))
        return QStringLiteral("directive '%1' is not allowed").arg(QString::fromUtf8(directive));
    for (const QByteArray &prefix : forbiddenPrefixes) {
        if (directive.startsWith(prefix))
            return QStringLiteral("directive '%1' is not allowed").arg(QString::fromUtf8(directive));
    }
    return QString();
}
} // namespace

CommandPolicy::CommandPolicy(const QString &serviceDir) : m_serviceDir(QDir::cleanPath(serviceDir))
{ }

QString CommandPolicy::executablePath(Program program) const
{
    return m_serviceDir + QLatin1Char('/') + relativePath(program);
}

QString CommandPolicy::programName(Program program)
{
    return relativePath(program).section(QLatin1Char('/'), -1);
}

bool CommandPolicy::isAddress(const QString &text)
{
    static const QRegularExpression ipv4(
        QStringLiteral("^((25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])\\.){3}"
                       "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])$"));
    static const QRegularExpression ipv6Characters(QStringLiteral("^[0-9A-Fa-f:.]{2,45}$"));
    if (ipv4.match(text).hasMatch())
        return true;
    QHostAddress address;
    return ipv6Characters.match(text).hasMatch() && address.setAddress(text)
        && address.protocol() == QAbstractSocket::IPv6Protocol;
}

CommandPolicy::Decision CommandPolicy::check(const QStringList &words) const
{
    Decision decision;
    const QString path = words.value(0);
    decision.name = reportName(path);
    if (!isAbsoluteFilePath(path)) {
        decision.reason = QStringLiteral("program path is not absolute");
        return decision;
    }
    const QString cleanPath = QDir::cleanPath(path);
    for (const Program program : allPrograms) {
        if (cleanPath == executablePath(program))
            decision.program = program;
    }
    if (decision.program == Program::None) {
        decision.reason = QStringLiteral("program is not allowed");
        return decision;
    }
    decision.name = programName(decision.program);
    decision.executable = executablePath(decision.program);
    decision.arguments = words.mid(1);
    decision.reason = checkArguments(decision.program, decision.arguments, decision);
    decision.allowed = decision.reason.isEmpty();
    return decision;
}

QString CommandPolicy::checkArguments(Program program, const QStringList &arguments, Decision &decision) const
{
    const QString wrongArguments
        = QStringLiteral("arguments are not allowed for %1").arg(programName(program));
    switch (program) {
    case Program::OpenVpn: {
        // --config F --management 127.0.0.1 PORT --management-query-passwords
        // --management-client --log-append F
        if (arguments.size() != 9 || arguments.at(0) != QLatin1String("--config")
            || arguments.at(2) != QLatin1String("--management")
            || arguments.at(3) != QLatin1String("127.0.0.1")
            || arguments.at(4) != QString::number(openVpnManagementPort)
            || arguments.at(5) != QLatin1String("--management-query-passwords")
            || arguments.at(6) != QLatin1String("--management-client")
            || arguments.at(7) != QLatin1String("--log-append"))
            return wrongArguments;
        if (!isAbsoluteFilePath(arguments.at(1)) || !isAbsoluteFilePath(arguments.at(8)))
            return QStringLiteral("file paths must be absolute");
        decision.configPath = arguments.at(1);
        decision.logPath = arguments.at(8);
        return QString();
    }
    case Program::WireGuard: {
        // --add F --port PORT
        if (arguments.size() != 4 || arguments.at(0) != QLatin1String("--add")
            || arguments.at(2) != QLatin1String("--port")
            || arguments.at(3) != QString::number(wireGuardControlPort))
            return wrongArguments;
        static const QRegularExpression fileName(QStringLiteral("^[A-Za-z0-9_.=+-]{1,64}$"));
        if (!isAbsoluteFilePath(arguments.at(1))
            || !fileName.match(arguments.at(1).section(QLatin1Char('/'), -1)).hasMatch())
            return QStringLiteral("configuration path is not allowed");
        decision.configPath = arguments.at(1);
        return QString();
    }
    case Program::KillSwitch: {
        // enable all SERVER (local | "")   or   disable all
        if (arguments == QStringList {QStringLiteral("disable"), QStringLiteral("all")})
            return QString();
        if (arguments.size() == 4 && arguments.at(0) == QLatin1String("enable")
            && arguments.at(1) == QLatin1String("all") && isAddress(arguments.at(2))
            && (arguments.at(3).isEmpty() || arguments.at(3) == QLatin1String("local")))
            return QString();
        return wrongArguments;
    }
    case Program::Dns: {
        // reset | user ENTRY... | vpn ENTRY... [stealth:SERVER]
        const QString command = arguments.value(0);
        QStringList entries = arguments.mid(1);
        if (command == QLatin1String("reset"))
            return entries.isEmpty() ? QString() : wrongArguments;
        if (command != QLatin1String("user") && command != QLatin1String("vpn"))
            return wrongArguments;
        const QString stealth = QStringLiteral("stealth:");
        if (command == QLatin1String("vpn") && !entries.isEmpty() && entries.last().startsWith(stealth)) {
            if (!isAddress(entries.last().mid(stealth.size())))
                return wrongArguments;
            entries.removeLast();
        }
        if (entries.size() > maxDnsEntries)
            return wrongArguments;
        for (const QString &entry : qAsConst(entries)) {
            if (!isDnsEntry(entry))
                return wrongArguments;
        }
        return QString();
    }
    case Program::None:
        break;
    }
    return wrongArguments;
}

QString CommandPolicy::openVpnConfigProblem(const QByteArray &text)
{
    if (text.contains('\0'))
        return QStringLiteral("configuration contains a NUL byte");
    const QList<QByteArray> lines = text.split('\n');
    QByteArray openBlock; // a data block whose lines are skipped
    QByteArray openConnection;
    int number = 0;
    for (const QByteArray &rawLine : lines) {
        ++number;
        if (rawLine.size() > maxOpenVpnLineLength)
            return QStringLiteral("line %1 is too long").arg(number);
        const QByteArray line = rawLine.trimmed();
        if (!openBlock.isEmpty()) {
            if (line.startsWith("</" + openBlock + '>'))
                openBlock.clear();
            continue;
        }
        if (line.isEmpty() || line.startsWith('#') || line.startsWith(';'))
            continue;
        if (line.startsWith('<')) {
            if (!line.endsWith('>') || line.contains(' ') || line.contains('\t'))
                return QStringLiteral("line %1: malformed inline block").arg(number);
            if (line.startsWith("</")) {
                if (openConnection.isEmpty() || line != "</" + connectionBlock + '>')
                    return QStringLiteral("line %1: unexpected end of block").arg(number);
                openConnection.clear();
                continue;
            }
            const QByteArray tag = line.mid(1, line.size() - 2).toLower();
            if (tag == connectionBlock && openConnection.isEmpty()) {
                openConnection = tag;
                continue;
            }
            if (!dataBlocks.contains(tag))
                return QStringLiteral("line %1: inline block '%2' is not allowed")
                    .arg(number)
                    .arg(QString::fromUtf8(tag));
            openBlock = line.mid(1, line.size() - 2);
            continue;
        }
        const QString problem = directiveProblem(firstWord(line));
        if (!problem.isEmpty())
            return QStringLiteral("line %1: %2").arg(number).arg(problem);
    }
    if (!openBlock.isEmpty() || !openConnection.isEmpty())
        return QStringLiteral("inline block is not closed");
    return QString();
}

QString CommandPolicy::wireGuardConfigProblem(const QByteArray &text)
{
    if (text.contains('\0'))
        return QStringLiteral("configuration contains a NUL byte");
    // Hooks that a WireGuard set-up tool would run as shell commands.
    static const QSet<QByteArray> hooks = {"preup", "postup", "predown", "postdown", "saveconfig"};
    int number = 0;
    for (const QByteArray &rawLine : text.split('\n')) {
        ++number;
        const int equals = rawLine.indexOf('=');
        const QByteArray key = rawLine.left(equals).trimmed().toLower();
        if (equals >= 0 && hooks.contains(key))
            return QStringLiteral("line %1: key '%2' is not allowed").arg(number).arg(QString::fromUtf8(key));
    }
    return QString();
}

QStringList CommandPolicy::openVpnArguments(const QString &configCopy)
{
    return {QStringLiteral("--config"),
            configCopy,
            QStringLiteral("--management"),
            QStringLiteral("127.0.0.1"),
            QString::number(openVpnManagementPort),
            QStringLiteral("--management-query-passwords"),
            QStringLiteral("--management-client"),
            QStringLiteral("--script-security"),
            QStringLiteral("1")};
}

QStringList CommandPolicy::wireGuardArguments(const QString &configCopy)
{
    return {QStringLiteral("--add"), configCopy, QStringLiteral("--port"),
            QString::number(wireGuardControlPort)};
}
