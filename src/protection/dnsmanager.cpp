#include "dnsmanager.h"

#include "utils.h"

#include <QDebug>
#include <QProcess>

#include <algorithm>

DnsManager::DnsManager(QObject *parent) : QObject(parent), m_networkSetupProgram(defaultNetworkSetupProgram())
{
    setObjectName(QStringLiteral("DnsManager"));
}

QString DnsManager::defaultNetworkSetupProgram()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("networksetup");
#else
    return Utils::platformExecutable(QStringLiteral("netsetup"), true);
#endif
}

QString DnsManager::dnsFileNamePath()
{
    return Utils::platformExecutable(QStringLiteral("dns"), true);
}

void DnsManager::initializeUserDns()
{
    discover();
    print();
}

QStringList DnsManager::argsForUserConnection() const
{
    QStringList args;
    for (const NetworkConnection &connection : m_networkConnectionList)
        args << QStringLiteral("%1@%2").arg(connection.connectionId(), connection.dnsSettingsToString());
    return args;
}

QStringList DnsManager::argsForVpnConnection(const QString &ipv4, const QString &ipv6) const
{
    QStringList args;
    for (const NetworkConnection &connection : m_networkConnectionList)
        args << QStringLiteral("%1@%2,%3").arg(connection.connectionId(), ipv4, ipv6);
    return args;
}

bool DnsManager::dnsEntriesWithVpnAddresses()
{
    initializeUserDns();
    for (const NetworkConnection &connection : qAsConst(m_networkConnectionList)) {
        if (connection.vpnConnection())
            continue;
        if (vpnDnsEntryExistsInList(connection.userIpv4Settings().dnsList())
            || vpnDnsEntryExistsInList(connection.userIpv6Settings().dnsList()))
            return true;
    }
    return false;
}

void DnsManager::print()
{
    const auto listText = [](const DnsSettings &settings) {
        return QStringLiteral("(%1)").arg(settings.dnsList().join(QStringLiteral(", ")));
    };
    for (const NetworkConnection &connection : qAsConst(m_networkConnectionList)) {
        qInfo().noquote() << objectName() + QStringLiteral(": ")
                + QStringLiteral("ID: %1, name: '%2', VPN connection: '%3', IPv4 DNS: ")
                      .arg(connection.connectionId(), connection.connectionName(),
                           Utils::boolString(connection.vpnConnection()))
                + listText(connection.userIpv4Settings()) + QStringLiteral(", IPv6 DNS: ")
                + listText(connection.userIpv6Settings());
    }
}

void DnsManager::setNetworkConnectionList(const QVector<NetworkConnection> &list)
{
    for (NetworkConnection &own : m_networkConnectionList) {
        for (const NetworkConnection &given : list) {
            if (given.connectionId() == own.connectionId()) {
                own.setUserIpv4Settings(given.userIpv4Settings());
                own.setUserIpv6Settings(given.userIpv6Settings());
                break;
            }
        }
    }
}

bool DnsManager::vpnDnsEntryExistsInList(const QStringList &list)
{
    return DnsSettings::vpnDnsEntryExistsInList(list);
}

QVector<DnsManager::Service> DnsManager::servicesFromListing(const QString &output)
{
    // Tethering services never carry the user's own DNS.
    static const QStringList skipWords
        = {QStringLiteral("Bluetooth"), QStringLiteral("iPhone"), QStringLiteral("USB")};
    static const QString devicePrefix = QStringLiteral("Device: ");

    QVector<Service> services;
    QString serviceName;
    bool skipNextLine = false;
    const QStringList lines = output.split(QLatin1Char('\n'));
    for (const QString &rawLine : lines) {
        const QString line = rawLine.simplified();
        if (line.isEmpty() || line.startsWith(QLatin1String("An asterisk (*)")))
            continue;
        if (line.startsWith(QLatin1String("(*)"))) {
            // A disabled service: neither its name nor its hardware-port line is taken.
            skipNextLine = true;
            continue;
        }
        if (skipNextLine) {
            skipNextLine = false;
            continue;
        }
        if (line.startsWith(QLatin1String("(Hardware Port"))) {
            const bool tethering = std::any_of(skipWords.cbegin(), skipWords.cend(),
                                               [&line](const QString &word) { return line.contains(word); });
            if (tethering)
                continue;
            QString portLine = line;
            if (portLine.endsWith(QLatin1Char(')')))
                portLine.chop(1);
            const int device = portLine.lastIndexOf(devicePrefix);
            const QString deviceName = device < 0 ? QString() : portLine.mid(device + devicePrefix.size());
            if (!deviceName.isEmpty())
                services.append({deviceName, serviceName});
            continue;
        }
        // A service line: its order number in parentheses, a blank and the name.
        const int blank = line.indexOf(QLatin1Char(' '));
        serviceName = blank < 0 ? QString() : line.mid(blank + 1);
    }
    return services;
}

void DnsManager::dnsServersFromOutput(const QString &output, DnsSettings *ipv4, DnsSettings *ipv6)
{
    const QStringList lines = output.split(QLatin1Char('\n'));
    for (const QString &rawLine : lines) {
        const QString line = rawLine.simplified();
        if (line.isEmpty())
            continue;
        if (line.contains(QLatin1String("There aren't any DNS Servers set")))
            break;
        if (Utils::isValidIPv4Address(line))
            ipv4->append(line);
        else if (Utils::isValidIPv6Address(line))
            ipv6->append(line);
    }
}

void DnsManager::discover()
{
    m_networkConnectionList.clear();
    const QVector<Service> services
        = servicesFromListing(networkSetupOutput({QStringLiteral("-listnetworkserviceorder")}));
    for (const Service &service : services) {
        DnsSettings ipv4;
        DnsSettings ipv6;
        dnsServersFromOutput(networkSetupOutput({QStringLiteral("-getdnsservers"), service.serviceName}),
                             &ipv4, &ipv6);
        m_networkConnectionList.append(
            NetworkConnection(service.deviceName, service.serviceName, ipv4, ipv6));
    }
}

QString DnsManager::networkSetupOutput(const QStringList &arguments) const
{
    // Exit codes are not examined: a program that cannot run gives no lines.
    QProcess process;
    process.start(m_networkSetupProgram, arguments, QIODevice::ReadWrite);
    process.waitForFinished(Utils::programTimeout);
    QByteArray output = process.readAllStandardOutput();
    const int nul = output.indexOf('\0');
    if (nul >= 0)
        output.truncate(nul);
    return QString::fromUtf8(output);
}
