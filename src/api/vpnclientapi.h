#pragma once

#include <QString>

// The addresses of the remote API, built from the deployment's API host, and
// the fixed values that go with it. Static members only.
class VpnClientApi
{
public:
    static const QString m_geoIpPart;
    static const QString m_accountPart;
    static const QString m_serverInfoPart;
    static const QString m_privateAccountsPart;
    static const QString m_apiKey;

    // The API host name, without scheme and path.
    static QString server();
    static QString geoIp();
    // The server directory: a static feed file for the "tesskavpn" brand,
    // the API's feed for every other brand.
    static QString serverList();
    // The account address of the user; the name is percent-encoded as one
    // path segment, so no name can reach another path of the API. An empty
    // name gives the address of the accounts themselves (no trailing slash).
    static QString apiWireguardData(const QString &userName);
    // The DNS server written into WireGuard configurations.
    static QString dns() { return QStringLiteral("172.16.0.1"); }
    static QString apiKey() { return m_apiKey; }

    // The address as it may appear in the log: only the kind of request.
    static QString maskedUrl(const QString &address);

    // Replaces the API host and the static feed host ("host" or "host:port").
    // Used by tests that talk to a local server; an empty text restores the
    // deployment's hosts.
    static void setHostOverride(const QString &host);

private:
    static QString address(const QString &host, const QString &path);
    static QString feedHost();

    static QString m_hostOverride;
};
