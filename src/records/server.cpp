#include "server.h"

#include "countries.h"
#include "location.h"
#include "utils.h"

#include <QDebug>
#include <QUrl>
#include <QUuid>

#include <algorithm>

namespace {
void registerMetaTypes()
{
    qRegisterMetaType<Server>("Server");
    qRegisterMetaType<Servers>("Servers");
}
Q_CONSTRUCTOR_FUNCTION(registerMetaTypes)

void info(const QString &text)
{
    qInfo().noquote() << Server::objectName() + QStringLiteral(": ") + text;
}
} // namespace

Server::Server() = default;

Server::Server(const QString &countryCode, const QString &name)
    : m_countryCode(countryCode), m_id(QUuid::createUuid().toString()), m_countryServer(true)
{
    if (!name.isEmpty()) {
        m_name = name;
        m_serviceServer = true;
    }
}

Server::Server(const QString &id, const QString &countryCode, const QString &city, const QString &name,
               const QString &ip, int capacity, float cpu, int apiServerId)
    : m_city(city),
      m_countryCode(countryCode),
      m_ip(ip),
      m_name(name),
      m_id(id),
      m_cpu(cpu),
      m_apiServerId(apiServerId),
      m_capacity(capacity)
{
    m_city.replace(m_countryCode + QLatin1Char(' '), QString(), Qt::CaseSensitive);
}

void Server::clear()
{
    *this = Server();
}

bool Server::isValid() const
{
    if (m_countryServer)
        return !m_countryCode.isEmpty() || !m_id.isEmpty();
    if (!m_city.isEmpty() || !m_countryCode.isEmpty() || !m_ip.isEmpty() || !m_name.isEmpty()
        || m_capacity != 0)
        return true;
    return !m_id.isEmpty();
}

bool Server::operator==(const Server &other) const
{
    if (this == &other)
        return true;
    return m_city == other.m_city && m_countryCode == other.m_countryCode && m_ip == other.m_ip
        && m_name == other.m_name && m_id == other.m_id && m_capacity == other.m_capacity
        && m_countryServer == other.m_countryServer && m_favorite == other.m_favorite
        && m_serviceServer == other.m_serviceServer && m_apiServerId == other.m_apiServerId;
}

QString Server::countryAndCity() const
{
    return QStringLiteral("%1, %2").arg(m_countryCode, m_city);
}

QString Server::shortInfo() const
{
    return m_countryServer ? m_countryCode : countryAndCity();
}

QString Server::countryName() const
{
    if (m_serviceServer)
        return m_name;
    return Countries::countryNameByCountryCode(m_countryCode);
}

bool Server::containsSearchPhrase(const QString &phrase) const
{
    if (phrase.isEmpty())
        return true;
    const QString lower = phrase.toLower();
    return countryName().toLower().contains(lower) || m_city.toLower().contains(lower)
        || m_name.toLower().contains(lower);
}

void Server::printData() const
{
    if (m_countryServer) {
        info(QStringLiteral("id: %1, country: '%2'").arg(m_id, m_countryCode));
        return;
    }
    info(QStringLiteral("\tid: %1, country: '%2', city: '%3', name: '%4', ip: %5, capacity: %6, cpu: %7, "
                        "favorites: '%8', api serverId: %9")
             .arg(m_id, m_countryCode, m_city, m_name, m_ip, QString::number(m_capacity),
                  QString::number(m_cpu), Utils::boolString(m_favorite), QString::number(m_apiServerId)));
}

Server Server::findServerByIp(const Servers &list, const QString &ip)
{
    for (const Server &server : list) {
        if (server.m_ip == ip)
            return server;
    }
    return Server();
}

QString Server::findServerByName(const Servers &list, const QString &name)
{
    for (const Server &server : list) {
        if (server.m_name == name)
            return server.m_ip;
    }
    return name;
}

QString Server::findCountryCodeByIp(const Servers &list, const QString &ip)
{
    for (const Server &server : list) {
        if (server.m_ip == ip)
            return server.m_countryCode;
    }
    return QString();
}

QString Server::findServerByLocation(const Servers &list, const Location &location)
{
    if (!location.isValid())
        return QString();
    for (const Server &server : list) {
        if (server.m_city == location.city() && server.m_countryCode == location.country())
            return server.m_id;
    }
    return QString();
}

QString Server::serverIdToStorageId(const Servers &list, const QString &serverId)
{
    if (!Utils::isValidIPv4Address(serverId))
        return serverId;
    const Server server = findServerByIp(list, serverId);
    return server.isValid() ? server.m_name : serverId;
}

Servers Server::allCountryServers(const Servers &list, const QString &countryCode)
{
    const QString code = countryCode.toLower();
    Servers result;
    for (const Server &server : list) {
        if (server.m_countryCode.toLower() == code)
            result.append(server);
    }
    return result;
}

QStringList Server::allCountryCodes(const Servers &list)
{
    QStringList codes;
    for (const Server &server : list)
        codes.append(server.m_countryCode.toLower());
    codes.removeDuplicates();
    std::sort(codes.begin(), codes.end());
    return codes;
}

QStringList Server::allCountryNames(const Servers &list)
{
    QStringList codes;
    for (const Server &server : list)
        codes.append(server.m_countryCode);
    codes.removeDuplicates();
    QStringList names;
    for (const QString &code : qAsConst(codes))
        names.append(Countries::countryNameByCountryCode(code));
    std::sort(names.begin(), names.end());
    return names;
}

QStringList Server::serverList(const Servers &list)
{
    QStringList ips;
    for (const Server &server : list)
        ips.append(server.m_ip);
    return ips;
}

namespace {
template<typename Key> Servers extractMatching(const Servers &list, const QStringList &texts, Key key)
{
    Servers result;
    for (const Server &server : list) {
        if (texts.contains(key(server)) && !result.contains(server))
            result.append(server);
    }
    return result;
}
} // namespace

Servers Server::extractMatchServers(const QStringList &ips, const Servers &list)
{
    return extractMatching(list, ips, [](const Server &server) { return server.ip(); });
}

Servers Server::extractMatchServers2(const Servers &list, const QStringList &names)
{
    return extractMatching(list, names, [](const Server &server) { return server.name(); });
}

bool Server::containsServer(const Servers &list, const Server &server)
{
    return list.contains(server);
}

void Server::updateServerListFromFavorite(Servers &list, const QString &id, bool favorite)
{
    if (!Utils::isValidIPv4Address(id))
        return;
    for (Server &server : list) {
        if (server.m_ip == id)
            server.m_favorite = favorite;
    }
}

void Server::updateServerListFromFavorites(Servers &list, const QStringList &favorites)
{
    for (Server &server : list) {
        server.m_favorite = false;
        for (const QString &favorite : favorites) {
            if (favorite.length() == 2 && server.m_countryServer && server.m_countryCode == favorite) {
                server.m_favorite = true;
                break;
            }
            if (Utils::isValidIPv4Address(favorite) && server.m_ip == favorite) {
                server.m_favorite = true;
                break;
            }
            if (isHostName(favorite) && server.m_name == favorite) {
                server.m_favorite = true;
                break;
            }
        }
    }
}

Servers Server::sort(const Servers &list)
{
    Servers result;
    const QStringList codes = allCountryCodes(list);
    for (const QString &code : codes)
        result.append(sortByCompare(allCountryServers(list, code)));
    return result;
}

Servers Server::sortByCompare(const Servers &list)
{
    Servers result = list;
    std::sort(result.begin(), result.end(),
              [](const Server &left, const Server &right) { return left.m_city < right.m_city; });
    return result;
}

bool Server::serverIsAvailableByCpuValue(const QString &cpuText)
{
    return cpuText != QLatin1String("0.00");
}

QString Server::locationText(const QString &first, const QString &second, bool vpn)
{
    return QStringLiteral("%1location in '%2' (%3)")
        .arg(vpn ? QStringLiteral("VPN ") : QString(), second, first);
}

void Server::printData(const Servers &list, const QString &title)
{
    QStringList entries;
    for (const Server &server : list)
        entries.append(QLatin1Char('\'') + server.shortInfo() + QLatin1Char('\''));
    info(title + QStringLiteral(" :  ") + entries.join(QLatin1Char(',')));
}

bool Server::isCountryCode(const QString &text)
{
    return text.length() == 2;
}

bool Server::isHostName(const QString &text)
{
    // URL parsing accepts an empty host; an empty id names no server.
    if (text.isEmpty())
        return false;
    QUrl url;
    url.setHost(text, QUrl::StrictMode);
    return url.isValid() && text.length() != 2;
}

bool Server::stringIsUuid(const QString &text)
{
    return !QUuid(text).isNull();
}
