#pragma once

#include <QString>
#include <QStringList>

// The names of the tunnel adapters the engines create: OpenVPN's tun
// devices and the WireGuard engine's vpnwg interfaces.
class TunnelDevice
{
public:
    // The name prefixes, also usable as nftables interface wildcards ("tun*").
    static QStringList prefixes() { return {QStringLiteral("tun"), QStringLiteral("vpnwg")}; }

    static bool matches(const QString &deviceName)
    {
        for (const QString &prefix : prefixes()) {
            if (deviceName.startsWith(prefix))
                return true;
        }
        return false;
    }
};
