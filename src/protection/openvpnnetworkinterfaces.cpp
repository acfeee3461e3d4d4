#include "openvpnnetworkinterfaces.h"

OpenVpnNetworkInterfaces::OpenVpnNetworkInterfaces(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("NetworkInterfaces"));
}

QString OpenVpnNetworkInterfaces::systemEntryName()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("macOS");
#else
    return QStringLiteral("Linux");
#endif
}

void OpenVpnNetworkInterfaces::refresh(bool filter)
{
    m_filter = filter;
    m_list.clear();
    // The hardware-port listing would not change the result here, so it is not read.
    m_list.append(NetworkInterface(0, systemEntryName()));
}

QString OpenVpnNetworkInterfaces::networkInterfacesFilterToString() const
{
    return m_filter ? QStringLiteral("VPN") : QStringLiteral("network");
}

void OpenVpnNetworkInterfaces::print()
{ }
