#pragma once

#include <QHostAddress>
#include <QString>

// Host routes for a VPN server that must stay outside the tunnel (Stealth:
// OpenVPN's remote is the local stunnel, so OpenVPN adds no such route
// itself). The routes go via the default route of the user's own network
// and carry a protocol number of their own, so removing them never touches
// a route that someone else added for the same address.
class HostRoutes
{
public:
    enum AddResult { Added, AlreadyRouted, NoDefaultRoute, Failed };

    static constexpr int routeProtocol = 241;

    AddResult add(const QHostAddress &server, QString *error) const;
    // True when no route of this tool for the server is left.
    bool remove(const QHostAddress &server, QString *error) const;
    // The gateway of the IPv4 default route outside the tunnels; null when none.
    QHostAddress defaultGateway() const;

private:
    struct DefaultRoute
    {
        QString gateway;
        QString device;
    };
    bool defaultRoute(bool ipv6, DefaultRoute *route) const;
    static QString prefixOf(const QHostAddress &server);
};
