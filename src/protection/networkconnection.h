#pragma once

#include "dnssettings.h"

#include <QString>

// One network service of the machine with the DNS servers its user has set.
class NetworkConnection
{
public:
    NetworkConnection() = default;
    NetworkConnection(const QString &connectionId, const QString &connectionName, const DnsSettings &ipv4,
                      const DnsSettings &ipv6);

    DnsSettings userIpv4Settings() const { return m_userIpv4Settings; }
    DnsSettings userIpv6Settings() const { return m_userIpv6Settings; }
    void setUserIpv4Settings(const DnsSettings &settings) { m_userIpv4Settings = settings; }
    void setUserIpv6Settings(const DnsSettings &settings) { m_userIpv6Settings = settings; }
    // The service's device (interface) name.
    QString connectionId() const { return m_connectionId; }
    // The service name, as the network-setup program takes it.
    QString connectionName() const { return m_connectionName; }
    // True when the service is a tunnel adapter rather than the user's own network.
    bool vpnConnection() const { return m_vpnConnection; }

    // The IPv4 and IPv6 addresses joined by the separator, empty parts left out.
    QString dnsSettingsToString() const;

    // Whether a device name belongs to a tunnel adapter of the engines
    // (OpenVPN's tun devices, the WireGuard engine's vpnwg interfaces).
    static bool isTunnelDevice(const QString &deviceName);

private:
    DnsSettings m_userIpv4Settings;
    DnsSettings m_userIpv6Settings;
    QString m_connectionId;
    QString m_connectionName;
    bool m_vpnConnection = false;
};
