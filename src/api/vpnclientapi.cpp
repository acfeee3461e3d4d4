#include "vpnclientapi.h"

#include "buildconfig.h"

#include <QUrl>

const QString VpnClientApi::m_geoIpPart = QStringLiteral("/v3/geoip");
const QString VpnClientApi::m_accountPart = QStringLiteral("/v3_1/accounts");
const QString VpnClientApi::m_serverInfoPart = QStringLiteral("/feeds/serverinfo.xml");
const QString VpnClientApi::m_privateAccountsPart = QStringLiteral("/v3_1/private/accounts");
const QString VpnClientApi::m_apiKey = QString::fromLatin1(BuildConfig::apiToken);

QString VpnClientApi::m_hostOverride;

QString VpnClientApi::server()
{
    // Every brand takes its API host from the deployment it is built with.
    if (!m_hostOverride.isEmpty())
        return m_hostOverride;
    return QString::fromLatin1(BuildConfig::apiHost);
}

QString VpnClientApi::feedHost()
{
    if (!m_hostOverride.isEmpty())
        return m_hostOverride;
    return QString::fromLatin1(BuildConfig::feedHost);
}

QString VpnClientApi::address(const QString &host, const QString &path)
{
    return QStringLiteral("%1%2%3").arg(QStringLiteral("https://"), host, path);
}

QString VpnClientApi::geoIp()
{
    return address(server(), m_geoIpPart);
}

QString VpnClientApi::serverList()
{
    if (QLatin1String(BuildConfig::brand) == QLatin1String("tesskavpn"))
        return address(feedHost(), QStringLiteral("/xml/tesskavpn.xml"));
    return address(server(), m_serverInfoPart);
}

QString VpnClientApi::apiWireguardData(const QString &userName)
{
    QString path = m_privateAccountsPart;
    if (!userName.isEmpty())
        path += QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(userName));
    return address(server(), path);
}

QString VpnClientApi::maskedUrl(const QString &address)
{
    if (address.contains(m_geoIpPart))
        return QStringLiteral("API GEO IP URL");
    if (address.contains(m_serverInfoPart))
        return QStringLiteral("API Serverlist URL");
    if (address.contains(m_accountPart))
        return QStringLiteral("API Account URL");
    if (address.contains(m_privateAccountsPart))
        return QStringLiteral("API Accounts URL");
    return QStringLiteral("API *** URL");
}

void VpnClientApi::setHostOverride(const QString &host)
{
    m_hostOverride = host;
}
