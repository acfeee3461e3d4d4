#include "killswitchrules.h"

#include "buildconfig.h"
#include "tunneldevice.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
const QString localIpv4Networks = QStringLiteral(
    "10.0.0.0/8, 172.16.0.0/12, 192.168.0.0/16, 169.254.0.0/16, 224.0.0.0/4, 255.255.255.255");
const QString localIpv6Networks = QStringLiteral("fe80::/10, fc00::/7, ff00::/8");
// Router and neighbour solicitation and advertisement: without them IPv6
// cannot reach even the next hop.
const QString neighbourDiscovery
    = QStringLiteral("nd-router-solicit, nd-router-advert, nd-neighbor-solicit, nd-neighbor-advert");

QStringList tunnelRules(const QString &interface)
{
    QStringList rules;
    const QStringList prefixes = TunnelDevice::prefixes();
    for (const QString &prefix : prefixes)
        rules << QStringLiteral("%1 \"%2*\" accept").arg(interface, prefix);
    return rules;
}

// The accept rules of the output chain (destination addresses, outgoing
// interface) or of the input chain (source addresses, incoming interface).
QStringList acceptRules(const QHostAddress &server, bool allowLocal, bool output)
{
    const QString interface = output ? QStringLiteral("oifname") : QStringLiteral("iifname");
    const QString address = output ? QStringLiteral("daddr") : QStringLiteral("saddr");
    const QString family
        = server.protocol() == QAbstractSocket::IPv6Protocol ? QStringLiteral("ip6") : QStringLiteral("ip");
    QStringList rules;
    rules << QStringLiteral("%1 \"lo\" accept").arg(interface);
    rules << tunnelRules(interface);
    rules << QStringLiteral("%1 %2 %3 accept").arg(family, address, server.toString());
    rules << (output ? QStringLiteral("udp sport 68 udp dport 67 accept")
                     : QStringLiteral("udp sport 67 udp dport 68 accept"));
    rules << (output ? QStringLiteral("udp sport 546 udp dport 547 accept")
                     : QStringLiteral("udp sport 547 udp dport 546 accept"));
    rules << QStringLiteral("icmpv6 type { %1 } accept").arg(neighbourDiscovery);
    if (allowLocal) {
        rules << QStringLiteral("ip %1 { %2 } accept").arg(address, localIpv4Networks);
        rules << QStringLiteral("ip6 %1 { %2 } accept").arg(address, localIpv6Networks);
    }
    return rules;
}

QString chain(const QString &name, const QString &hook, const QStringList &rules)
{
    QString text = QStringLiteral("    chain %1 {\n        type filter hook %2 priority 0; policy drop;\n")
                       .arg(name, hook);
    for (const QString &rule : rules)
        text += QStringLiteral("        %1\n").arg(rule);
    return text + QStringLiteral("    }\n");
}
} // namespace

QString KillSwitchRules::tableName()
{
    QString brand = QString::fromUtf8(BuildConfig::brand).toLower();
    brand.remove(QRegularExpression(QStringLiteral("[^a-z0-9_]")));
    return (brand.isEmpty() ? QStringLiteral("vpnclient") : brand) + QStringLiteral("_killswitch");
}

QByteArray KillSwitchRules::disableScript()
{
    // Declaring the table first makes the deletion valid when it does not exist.
    const QString table = QStringLiteral("inet ") + tableName();
    return QStringLiteral("table %1\ndelete table %1\n").arg(table).toUtf8();
}

QByteArray KillSwitchRules::enableScript(const QHostAddress &server, bool allowLocalNetworks)
{
    const QString table = QStringLiteral("inet ") + tableName();
    // Forwarded traffic (containers, virtual machines) may go into the
    // tunnel and come back from it; by address only towards what the
    // machine itself may reach, never by a (private) source address.
    const QStringList forward
        = acceptRules(server, allowLocalNetworks, true) + tunnelRules(QStringLiteral("iifname"));
    QString text = QString::fromUtf8(disableScript());
    text += QStringLiteral("table %1 {\n").arg(table);
    text += chain(QStringLiteral("output"), QStringLiteral("output"),
                  acceptRules(server, allowLocalNetworks, true));
    text += chain(QStringLiteral("input"), QStringLiteral("input"),
                  acceptRules(server, allowLocalNetworks, false));
    text += chain(QStringLiteral("forward"), QStringLiteral("forward"), forward);
    text += QStringLiteral("}\n");
    return text.toUtf8();
}
