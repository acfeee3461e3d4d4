#include "networkconnection.h"

#include "utils.h"

NetworkConnection::NetworkConnection(const QString &connectionId, const QString &connectionName,
                                     const DnsSettings &ipv4, const DnsSettings &ipv6)
    : m_userIpv4Settings(ipv4),
      m_userIpv6Settings(ipv6),
      m_connectionId(connectionId),
      m_connectionName(connectionName),
      m_vpnConnection(isTunnelDevice(connectionId))
{ }

QString NetworkConnection::dnsSettingsToString() const
{
    return Utils::joinStringList({m_userIpv4Settings.toString(), m_userIpv6Settings.toString()},
                                 DnsSettings::m_separator);
}

bool NetworkConnection::isTunnelDevice(const QString &deviceName)
{
    return deviceName.startsWith(QLatin1String("tun")) || deviceName.startsWith(QLatin1String("vpnwg"));
}
