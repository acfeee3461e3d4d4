#include "wgconfig.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace {
constexpr int maxConfigSize = 64 * 1024;
constexpr int maxListEntries = 64;

bool overlaps(const QPair<QHostAddress, int> &a, const QPair<QHostAddress, int> &b)
{
    return a.first.protocol() == b.first.protocol()
        && (a.first.isInSubnet(b.first, b.second) || b.first.isInSubnet(a.first, a.second));
}

// Prefixes whose traffic belongs to this machine or its link, never to a tunnel.
bool reachesLocalSpace(const QString &prefix)
{
    if (prefix == QLatin1String("0.0.0.0/0") || prefix == QLatin1String("::/0"))
        return false;
    const QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(prefix);
    for (const char *local : {"127.0.0.0/8", "169.254.0.0/16", "::1/128", "fe80::/10", "::ffff:0:0/96"}) {
        if (overlaps(subnet, QHostAddress::parseSubnet(QString::fromLatin1(local))))
            return true;
    }
    return false;
}

bool isPlainUnicast(const QString &prefix)
{
    const QHostAddress address = QHostAddress::parseSubnet(prefix).first;
    return !address.isLoopback() && !address.isLinkLocal() && !address.isMulticast() && !address.isBroadcast()
        && address != QHostAddress::AnyIPv4 && address != QHostAddress::AnyIPv6
        && !reachesLocalSpace(address.toString()
                              + (address.protocol() == QAbstractSocket::IPv6Protocol
                                     ? QStringLiteral("/128")
                                     : QStringLiteral("/32")));
}
} // namespace

bool WgConfig::isKey(const QString &text)
{
    static const QRegularExpression base64(QStringLiteral("^[A-Za-z0-9+/]{43}=$"));
    return base64.match(text).hasMatch() && QByteArray::fromBase64(text.toLatin1()).size() == 32;
}

bool WgConfig::isPrefix(const QString &text)
{
    const QPair<QHostAddress, int> subnet = QHostAddress::parseSubnet(text);
    return !subnet.first.isNull() && text.contains(QLatin1Char('/'));
}

QString WgConfig::endpoint() const
{
    if (endpointHost.contains(QLatin1Char(':')))
        return QStringLiteral("[%1]:%2").arg(endpointHost).arg(endpointPort);
    return QStringLiteral("%1:%2").arg(endpointHost).arg(endpointPort);
}

bool WgConfig::parse(const QByteArray &text, WgConfig &config, QString &error)
{
    if (text.size() > maxConfigSize) {
        error = QStringLiteral("Configuration file is too large");
        return false;
    }
    if (text.contains('\0')) {
        error = QStringLiteral("Configuration contains a NUL byte");
        return false;
    }
    config = WgConfig();
    enum Section { None, Interface, Peer } section = None;
    int peers = 0;
    int interfaces = 0;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = QString::fromUtf8(lines.at(i));
        const int comment = line.indexOf(QLatin1Char('#'));
        if (comment >= 0)
            line.truncate(comment);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (line.compare(QLatin1String("[Interface]"), Qt::CaseInsensitive) == 0) {
            section = Interface;
            ++interfaces;
            continue;
        }
        if (line.compare(QLatin1String("[Peer]"), Qt::CaseInsensitive) == 0) {
            section = Peer;
            ++peers;
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || section == None) {
            error = QStringLiteral("Unexpected line %1").arg(i + 1);
            return false;
        }
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1).trimmed();
        const QStringList items = value.split(QLatin1Char(','), Qt::SkipEmptyParts);

        if (section == Interface && key == QLatin1String("privatekey")) {
            config.privateKey = value;
        } else if (section == Interface && key == QLatin1String("address")) {
            config.address = value;
        } else if (section == Interface && key == QLatin1String("dns")) {
            for (const QString &item : items)
                config.dns << item.trimmed();
        } else if (section == Peer && key == QLatin1String("publickey")) {
            config.peerPublicKey = value;
        } else if (section == Peer && key == QLatin1String("presharedkey")) {
            config.presharedKey = value;
        } else if (section == Peer && key == QLatin1String("allowedips")) {
            for (const QString &item : items)
                config.allowedIps << item.trimmed();
        } else if (section == Peer && key == QLatin1String("endpoint")) {
            const int colon = value.lastIndexOf(QLatin1Char(':'));
            QString host = value.left(colon);
            if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
                host = host.mid(1, host.size() - 2);
            bool ok = false;
            const uint port = value.mid(colon + 1).toUInt(&ok);
            if (colon <= 0 || !ok || port == 0 || port > 65535) {
                error = QStringLiteral("Invalid endpoint '%1'").arg(value);
                return false;
            }
            config.endpointHost = host;
            config.endpointPort = static_cast<quint16>(port);
        } else if (section == Peer && key == QLatin1String("persistentkeepalive")) {
            bool ok = false;
            config.persistentKeepalive = value.toInt(&ok);
            if (!ok || config.persistentKeepalive < 0 || config.persistentKeepalive > 65535) {
                error = QStringLiteral("Invalid PersistentKeepalive '%1'").arg(value);
                return false;
            }
        } else {
            error = QStringLiteral("Unknown key '%1' on line %2").arg(line.left(equals).trimmed()).arg(i + 1);
            return false;
        }
    }

    if (interfaces != 1) {
        error = QStringLiteral("Exactly one [Interface] section is required");
        return false;
    }
    if (peers != 1) {
        error = QStringLiteral("Exactly one [Peer] section is required");
        return false;
    }
    if (!isKey(config.privateKey)) {
        error = QStringLiteral("Missing or invalid PrivateKey");
        return false;
    }
    if (!isKey(config.peerPublicKey)) {
        error = QStringLiteral("Missing or invalid PublicKey");
        return false;
    }
    if (!config.presharedKey.isEmpty() && !isKey(config.presharedKey)) {
        error = QStringLiteral("Invalid PresharedKey");
        return false;
    }
    if (!isPrefix(config.address)) {
        error = QStringLiteral("Missing or invalid Address '%1'").arg(config.address);
        return false;
    }
    QHostAddress host;
    if (config.endpointHost.isEmpty() || !host.setAddress(config.endpointHost)) {
        error = QStringLiteral("Missing or invalid Endpoint");
        return false;
    }
    if (config.allowedIps.isEmpty()) {
        error = QStringLiteral("Missing AllowedIPs");
        return false;
    }
    if (!isPlainUnicast(config.address)) {
        error = QStringLiteral("Address '%1' is not a unicast address").arg(config.address);
        return false;
    }
    if (config.allowedIps.size() > maxListEntries || config.dns.size() > maxListEntries) {
        error = QStringLiteral("Too many AllowedIPs or DNS entries");
        return false;
    }
    for (const QString &prefix : qAsConst(config.allowedIps)) {
        if (!isPrefix(prefix)) {
            error = QStringLiteral("Invalid AllowedIPs entry '%1'").arg(prefix);
            return false;
        }
        if (reachesLocalSpace(prefix)) {
            error = QStringLiteral("AllowedIPs entry '%1' would capture loopback or link-local traffic")
                        .arg(prefix);
            return false;
        }
    }
    for (const QString &server : qAsConst(config.dns)) {
        if (!host.setAddress(server)) {
            error = QStringLiteral("Invalid DNS server '%1'").arg(server);
            return false;
        }
    }
    return true;
}

QByteArray WgConfig::canonicalText() const
{
    QByteArray text
        = "[Interface]\nPrivateKey = " + privateKey.toLatin1() + "\nAddress = " + address.toLatin1() + "\n";
    if (!dns.isEmpty())
        text += "DNS = " + dns.join(QStringLiteral(", ")).toLatin1() + "\n";
    text += "\n[Peer]\nPublicKey = " + peerPublicKey.toLatin1() + "\n";
    if (!presharedKey.isEmpty())
        text += "PresharedKey = " + presharedKey.toLatin1() + "\n";
    text += "AllowedIPs = " + allowedIps.join(QStringLiteral(", ")).toLatin1()
        + "\nEndpoint = " + endpoint().toLatin1() + "\n";
    if (persistentKeepalive > 0)
        text += "PersistentKeepalive = " + QByteArray::number(persistentKeepalive) + "\n";
    return text;
}
