#include "commandpolicy.h"

#include "openvpnconfig.h"
#include "wgconfig.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>

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
        decision.effect = Effect::Tunnel;
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
        decision.effect = Effect::Tunnel;
        return QString();
    }
    case Program::KillSwitch: {
        // enable all SERVER (local | "")   or   disable all
        if (arguments == QStringList {QStringLiteral("disable"), QStringLiteral("all")}) {
            decision.effect = Effect::DisableKillSwitch;
            return QString();
        }
        if (arguments.size() == 4 && arguments.at(0) == QLatin1String("enable")
            && arguments.at(1) == QLatin1String("all") && isAddress(arguments.at(2))
            && (arguments.at(3).isEmpty() || arguments.at(3) == QLatin1String("local"))) {
            decision.effect = Effect::EnableKillSwitch;
            return QString();
        }
        return wrongArguments;
    }
    case Program::Dns: {
        // reset | user ENTRY... | vpn ENTRY... [stealth:SERVER]
        const QString command = arguments.value(0);
        QStringList entries = arguments.mid(1);
        if (command == QLatin1String("reset")) {
            decision.effect = Effect::RestoreDns;
            return entries.isEmpty() ? QString() : wrongArguments;
        }
        if (command != QLatin1String("user") && command != QLatin1String("vpn"))
            return wrongArguments;
        decision.effect = command == QLatin1String("vpn") ? Effect::SwitchDns : Effect::RestoreDns;
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

bool CommandPolicy::canonicalConfig(Program program, const QByteArray &text, QByteArray *canonical,
                                    QString *error)
{
    if (program == Program::OpenVpn) {
        OpenVpnConfig config;
        if (!OpenVpnConfig::parse(text, &config, error))
            return false;
        *canonical = config.canonicalText();
        return true;
    }
    if (program == Program::WireGuard) {
        WgConfig config;
        if (!WgConfig::parse(text, config, *error))
            return false;
        *canonical = config.canonicalText();
        return true;
    }
    *error = QStringLiteral("the program takes no configuration");
    return false;
}

quint16 CommandPolicy::clientPort(Program program)
{
    switch (program) {
    case Program::OpenVpn:
        return openVpnManagementPort;
    case Program::WireGuard:
        return wireGuardControlPort;
    case Program::KillSwitch:
    case Program::Dns:
    case Program::None:
        break;
    }
    return 0;
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

QStringList CommandPolicy::wireGuardArguments(const QString &configCopy, uint uid)
{
    return {QStringLiteral("--add"),  configCopy,
            QStringLiteral("--port"), QString::number(wireGuardControlPort),
            QStringLiteral("--uid"),  QString::number(uid)};
}
