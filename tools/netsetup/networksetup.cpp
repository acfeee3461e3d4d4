#include "networksetup.h"

#include "resolvconf.h"
#include "toolargument.h"

#include <QFileInfo>

#include <algorithm>

namespace {
constexpr int exitUsage = 1;
constexpr int exitFailure = 2;
constexpr int exitInvalidParameters = 4;

const QStringList localStubAddresses = {QStringLiteral("127.0.0.53"), QStringLiteral("127.0.0.54")};
} // namespace

NetworkSetup::NetworkSetup(const NetworkServices &services, const QString &resolvConfPath,
                           const QString &resolvedConfPath)
    : m_services(services), m_resolvConfPath(resolvConfPath), m_resolvedConfPath(resolvedConfPath)
{ }

QByteArray NetworkSetup::usage()
{
    return "Usage: netsetup -listnetworkserviceorder\n"
           "       netsetup -getdnsservers <networkservice>\n"
           "       netsetup -setdnsservers <networkservice> <dns1> [dns2] [...] | Empty\n"
           "       netsetup -listallhardwareports\n";
}

int NetworkSetup::run(const QStringList &arguments, QByteArray *output, QByteArray *errors) const
{
    const QString command = arguments.value(0);
    if (command == QLatin1String("-listnetworkserviceorder") && arguments.size() == 1)
        return listServiceOrder(output);
    if (command == QLatin1String("-listallhardwareports") && arguments.size() == 1)
        return listHardwarePorts(output);
    if (command == QLatin1String("-getdnsservers") && arguments.size() == 2)
        return getDnsServers(arguments.at(1), output, errors);
    if (command == QLatin1String("-setdnsservers") && arguments.size() >= 3)
        return setDnsServers(arguments.at(1), arguments.mid(2), errors);
    *errors += usage();
    return exitUsage;
}

int NetworkSetup::listServiceOrder(QByteArray *output) const
{
    *output += "An asterisk (*) denotes that a network service is disabled.\n";
    int order = 0;
    const QVector<NetworkServices::Service> services = m_services.services();
    for (const NetworkServices::Service &service : services) {
        const QByteArray device = service.device.toUtf8();
        const QByteArray number = service.enabled ? QByteArray::number(++order) : QByteArray("*");
        *output += "(" + number + ") " + device + "\n";
        *output += "(Hardware Port: " + service.hardwarePort.toUtf8() + ", Device: " + device + ")\n\n";
    }
    return 0;
}

int NetworkSetup::listHardwarePorts(QByteArray *output) const
{
    const QVector<NetworkServices::Service> services = m_services.services();
    for (const NetworkServices::Service &service : services) {
        const QByteArray address
            = service.macAddress.isEmpty() ? QByteArray("N/A") : service.macAddress.toUtf8();
        *output += "\nHardware Port: " + service.hardwarePort.toUtf8()
            + "\nDevice: " + service.device.toUtf8() + "\nEthernet Address: " + address + "\n";
    }
    *output += "\nVLAN Configurations\n===================\n";
    return 0;
}

bool NetworkSetup::knownService(const QString &serviceName, QByteArray *errors) const
{
    if (m_services.find(serviceName))
        return true;
    *errors += serviceName.toUtf8() + " is not a recognized network service.\n"
        + "** Error: The parameters were not valid.\n";
    return false;
}

int NetworkSetup::getDnsServers(const QString &serviceName, QByteArray *output, QByteArray *errors) const
{
    if (!knownService(serviceName, errors))
        return exitInvalidParameters;
    QByteArray text;
    QString error;
    if (!ResolvConf::read(m_resolvConfPath, &text, &error)) {
        *errors += error.toUtf8() + '\n';
        return exitFailure;
    }
    QStringList servers = ResolvConf::nameservers(text);
    const bool onlyLocalStub = !servers.isEmpty()
        && std::all_of(servers.cbegin(), servers.cend(),
                       [](const QString &server) { return localStubAddresses.contains(server); });
    QByteArray resolvedText;
    if (onlyLocalStub && QFileInfo::exists(m_resolvedConfPath)
        && ResolvConf::read(m_resolvedConfPath, &resolvedText, &error))
        servers = ResolvConf::nameservers(resolvedText);
    if (servers.isEmpty()) {
        *output += "There aren't any DNS Servers set on " + serviceName.toUtf8() + ".\n";
        return 0;
    }
    for (const QString &server : qAsConst(servers))
        *output += server.toUtf8() + '\n';
    return 0;
}

int NetworkSetup::setDnsServers(const QString &serviceName, const QStringList &servers,
                                QByteArray *errors) const
{
    if (!knownService(serviceName, errors))
        return exitInvalidParameters;
    QStringList addresses;
    const bool clear = servers == QStringList {QStringLiteral("Empty")};
    for (const QString &server : servers) {
        const QHostAddress address = clear ? QHostAddress() : ToolArgument::ipAddress(server);
        if (!clear && address.isNull()) {
            *errors += server.toUtf8()
                + " is not a valid IP address.\n** Error: The parameters were not valid.\n";
            return exitInvalidParameters;
        }
        if (!clear)
            addresses << address.toString();
    }
    QByteArray text;
    QString error;
    if (QFileInfo::exists(m_resolvConfPath) && !ResolvConf::read(m_resolvConfPath, &text, &error)) {
        *errors += error.toUtf8() + '\n';
        return exitFailure;
    }
    if (!ResolvConf::writeInPlace(m_resolvConfPath, ResolvConf::withNameservers(text, addresses), &error)) {
        *errors += error.toUtf8() + '\n';
        return exitFailure;
    }
    return 0;
}
