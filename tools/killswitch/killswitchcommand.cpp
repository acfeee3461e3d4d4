#include "killswitchcommand.h"

#include "killswitchrules.h"
#include "systemcommand.h"
#include "toolargument.h"

QString KillSwitchCommand::usage()
{
    return QStringLiteral("Usage: killswitch enable all SERVER [local]\n"
                          "       killswitch disable all\n");
}

bool KillSwitchCommand::parse(const QStringList &arguments, KillSwitchCommand *command, QString *error)
{
    const QString verb = arguments.value(0);
    KillSwitchCommand parsed;
    if (verb != QLatin1String("enable") && verb != QLatin1String("disable")) {
        *error = verb.isEmpty() ? QStringLiteral("missing command")
                                : QStringLiteral("unknown command '%1'").arg(verb);
        return false;
    }
    parsed.m_enable = verb == QLatin1String("enable");
    if (arguments.value(1) != QLatin1String("all")) {
        *error = QStringLiteral("'%1' needs the scope 'all'").arg(verb);
        return false;
    }
    if (!parsed.m_enable) {
        if (arguments.size() > 2) {
            *error = QStringLiteral("'disable all' takes no further arguments");
            return false;
        }
        *command = parsed;
        return true;
    }

    if (arguments.size() < 3 || arguments.size() > 4) {
        *error = QStringLiteral("'enable all' needs the server address and at most the word 'local'");
        return false;
    }
    parsed.m_server = ToolArgument::ipAddress(arguments.at(2));
    const bool unusable = parsed.m_server.isNull() || parsed.m_server.isMulticast()
        || parsed.m_server.isBroadcast() || parsed.m_server == QHostAddress(QHostAddress::AnyIPv4)
        || parsed.m_server == QHostAddress(QHostAddress::AnyIPv6);
    if (unusable) {
        *error = QStringLiteral("invalid server address '%1'").arg(arguments.at(2));
        return false;
    }
    const QString local = arguments.value(3);
    if (!local.isEmpty() && local != QLatin1String("local")) {
        *error = QStringLiteral("unknown option '%1': expected 'local' or an empty argument").arg(local);
        return false;
    }
    parsed.m_allowLocalNetworks = local == QLatin1String("local");
    *command = parsed;
    return true;
}

QByteArray KillSwitchCommand::script() const
{
    return m_enable ? KillSwitchRules::enableScript(m_server, m_allowLocalNetworks)
                    : KillSwitchRules::disableScript();
}

int KillSwitchCommand::apply(const QString &nftProgram, QString *error) const
{
    if (nftProgram.isEmpty()) {
        *error = QStringLiteral("nft is not installed (package nftables)");
        return Failure;
    }
    const SystemCommand::Result result
        = SystemCommand::run(nftProgram, {QStringLiteral("-f"), QStringLiteral("-")}, script());
    if (result.succeeded())
        return Success;
    *error = QStringLiteral("nft failed: %1").arg(result.message());
    return Failure;
}
