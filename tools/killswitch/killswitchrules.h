#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>

// The nftables rule sets of the kill switch. Everything lives in one table
// of the inet family (IPv4 and IPv6 together); each script is applied as one
// "nft -f" transaction, so the firewall is never half built.
//
// With protection enabled only this traffic passes, in and out (and when
// forwarded): loopback, the tunnel interfaces, the VPN server, DHCP and
// DHCPv6, IPv6 neighbour discovery and, when local devices are allowed, the
// local networks (private, link-local and multicast ranges of both families).
class KillSwitchRules
{
public:
    // The table's name, derived from the brand so that it is this product's.
    static QString tableName();

    // Creates or replaces the table. The server must be a checked address.
    static QByteArray enableScript(const QHostAddress &server, bool allowLocalNetworks);
    // Removes the table; succeeds whether or not it exists.
    static QByteArray disableScript();
};
