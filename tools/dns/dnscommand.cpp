#include "dnscommand.h"

#include "toolargument.h"

QString DnsCommand::usage()
{
    return QStringLiteral("Usage: dns vpn DEVICE@ADDRESS[,ADDRESS...]... [stealth:ADDRESS]\n"
                          "       dns user [DEVICE@[ADDRESS[,ADDRESS...]]...]\n"
                          "       dns reset\n");
}

bool DnsCommand::parse(const QStringList &arguments, DnsCommand *command, QString *error)
{
    const QString verb = arguments.value(0);
    DnsCommand parsed;
    if (verb == QLatin1String("vpn")) {
        parsed.m_verb = Vpn;
    } else if (verb == QLatin1String("user")) {
        parsed.m_verb = User;
    } else if (verb == QLatin1String("reset")) {
        parsed.m_verb = Reset;
    } else {
        *error = verb.isEmpty() ? QStringLiteral("missing command")
                                : QStringLiteral("unknown command '%1'").arg(verb);
        return false;
    }

    const QStringList entries = arguments.mid(1);
    if (parsed.m_verb == Reset && !entries.isEmpty()) {
        *error = QStringLiteral("'reset' takes no arguments");
        return false;
    }
    for (const QString &entry : entries) {
        if (parsed.m_verb == Vpn && entry.startsWith(QLatin1String("stealth:"))) {
            const QHostAddress server = ToolArgument::ipAddress(entry.mid(8));
            if (server.isNull() || !parsed.m_stealthServer.isNull()) {
                *error = QStringLiteral("invalid Stealth server entry '%1'").arg(entry);
                return false;
            }
            parsed.m_stealthServer = server;
            continue;
        }
        const int at = entry.lastIndexOf(QLatin1Char('@'));
        if (at <= 0) {
            *error = QStringLiteral("invalid entry '%1': expected DEVICE@ADDRESS,...").arg(entry);
            return false;
        }
        const QStringList addresses = entry.mid(at + 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &text : addresses) {
            const QHostAddress address = ToolArgument::ipAddress(text);
            if (address.isNull()) {
                *error = QStringLiteral("invalid address '%1' in entry '%2'").arg(text, entry);
                return false;
            }
            if (!parsed.m_servers.contains(address.toString()))
                parsed.m_servers << address.toString();
        }
    }
    if (parsed.m_verb == Vpn && parsed.m_servers.isEmpty()) {
        *error = QStringLiteral("'vpn' needs at least one DNS server address");
        return false;
    }
    *command = parsed;
    return true;
}
