#include "serverlistmodel.h"

#include "countries.h"
#include "settings.h"
#include "utils.h"

#include <QDebug>
#include <QPair>
#include <QRegularExpression>

#include <algorithm>

const QString ServerListModel::searchMarker = QStringLiteral("<search>");
const QString ServerListModel::favoritesHeaderCode = QStringLiteral("*1");
const QString ServerListModel::recentsHeaderCode = QStringLiteral("*2");

QString ServerListModel::m_lastLocationText;
QString ServerListModel::m_lastLocationImageSource;
QString ServerListModel::m_lastServerIp;

namespace {
QString objectNameForFeature(ServerListModel::Feature feature)
{
    switch (feature) {
    case ServerListModel::Recommended:
        return QStringLiteral("RecomendedServersModel");
    case ServerListModel::AllServers:
        return QStringLiteral("ServerListModel");
    case ServerListModel::RecentServers:
        return QStringLiteral("RecentServersModel");
    }
    return QStringLiteral("ServerListModel");
}

bool isDecimalNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return digits.match(text).hasMatch();
}
} // namespace

ServerListModel::ServerListModel(Feature feature, QObject *parent)
    : QAbstractListModel(parent), m_feature(feature)
{
    setObjectName(objectNameForFeature(feature));
}

void ServerListModel::info(const QString &text) const
{
    qInfo().noquote() << objectName() + QStringLiteral(": ") + text;
}

void ServerListModel::warning(const QString &text) const
{
    qWarning().noquote() << objectName() + QStringLiteral(": ") + text;
}

int ServerListModel::maxAllowedItems(Feature feature)
{
    return feature == Recommended ? 8 : -1;
}

Servers ServerListModel::fastestPerCountry(const Servers &servers, const QStringList &pingResults)
{
    const int maxItems = maxAllowedItems(Recommended);
    Servers fastest;
    QStringList countries;
    for (const QString &result : pingResults) {
        if (fastest.size() >= maxItems)
            break;
        const Server server = Server::findServerByIp(servers, result.section(QLatin1Char(':'), 0, 0));
        if (!server.isValid() || countries.contains(server.countryCode(), Qt::CaseInsensitive))
            continue;
        countries.append(server.countryCode());
        fastest.append(server);
    }
    return fastest;
}

bool ServerListModel::expandableModel() const
{
    return m_feature == AllServers || m_feature == RecentServers;
}

int ServerListModel::rowCount(const QModelIndex &parent) const
{
    // A list: rows have no children.
    return parent.isValid() ? 0 : m_displayList.size();
}

QHash<int, QByteArray> ServerListModel::roleNames() const
{
    static const QHash<int, QByteArray> roles {
        {IdRole, "Id"},
        {CountryServerRole, "CountryServer"},
        {CountryRole, "Country"},
        {CountryNameRole, "CountryName"},
        {CityRole, "City"},
        {NameRole, "Name"},
        {FavoriteRole, "Favorite"},
        {ServiceHeaderRole, "ServiceHeader"},
        {ServiceItemRole, "ServiceItem"},
        {CountryFlagSourceRole, "CountryFlagSource"},
        {SearchFieldRole, "SearchField"},
    };
    return roles;
}

QVariant ServerListModel::data(const QModelIndex &index, int role) const
{
    return roleData(index.row(), role);
}

QVariant ServerListModel::roleData(int row, int role) const
{
    if (role < IdRole || role > SearchFieldRole)
        return QVariant();
    if (row < 0)
        return QStringLiteral("0");
    if (row >= m_displayList.size())
        return QVariant();

    const Server &server = m_displayList.at(row);
    switch (role) {
    case IdRole:
        return server.id();
    case CountryServerRole:
        return m_allRowsAreCountries || server.countryServer();
    case CountryRole:
        return server.countryCode().toLower();
    case CountryNameRole:
        return server.countryName();
    case CityRole:
        return server.city();
    case NameRole:
        return server.name();
    case FavoriteRole:
        return server.favorite();
    case ServiceHeaderRole:
        return server.serviceServer();
    case ServiceItemRole:
        return m_feature == RecentServers && !server.serviceServer();
    case CountryFlagSourceRole:
        return Utils::countryFlagSource(server.countryCode());
    case SearchFieldRole:
        return QStringLiteral("%1:%2:%3:%4")
            .arg(server.countryName(), server.city(), server.name(), server.ip())
            .toLower();
    default:
        return QVariant();
    }
}

bool ServerListModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (m_displayList.isEmpty() || row < 0 || row >= m_displayList.size() || count < 1)
        return false;
    // Never announce rows that do not exist.
    count = qMin(count, m_displayList.size() - row);
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count && row < m_displayList.size(); ++i)
        m_displayList.removeAt(row);
    endRemoveRows();
    return true;
}

void ServerListModel::insertRowsAt(int row, const Servers &servers)
{
    if (servers.isEmpty())
        return;
    beginInsertRows(QModelIndex(), row, row + servers.size() - 1);
    for (int i = 0; i < servers.size(); ++i)
        m_displayList.insert(row + i, servers.at(i));
    endInsertRows();
}

void ServerListModel::replaceRows(const Servers &rows)
{
    removeRows(0, rowCount());
    insertRowsAt(0, rows);
}

void ServerListModel::notifyUpdateModelData()
{
    for (int row = 0; row < m_displayList.size(); ++row)
        emit dataChanged(index(row), index(row));
}

// ---- building the rows ----

void ServerListModel::createServerList(const Servers &serverList, bool notyfy)
{
    Settings *settings = Settings::instance();
    const QStringList favorites = settings->favorites();

    Servers servers = serverList;
    Server::updateServerListFromFavorites(servers, favorites);
    m_sourceList = servers;

    Servers rows;
    switch (m_feature) {
    case Recommended:
        rows = servers;
        break;
    case AllServers:
        rows = createCountryList(servers);
        break;
    case RecentServers:
        rows = createRecentList();
        break;
    }
    if (expandableModel())
        Server::updateServerListFromFavorites(rows, favorites);

    replaceRows(rows);

    const QString savedId = settings->currentServerId();
    updateCurrentServer(savedId, notyfy);
    emit isEmptyChanged(!m_displayList.isEmpty());

    // The main window needs its first server at start-up even when nothing new is published.
    if (m_feature == AllServers && !m_serverIpAnnounced && !savedId.isEmpty()
        && !Countries::isCountryCode(savedId)) {
        info(QStringLiteral("Force emit notification: %1").arg(savedId));
        emit serverIpChanged(savedId);
    }
    m_baseRows = m_displayList;
}

Servers ServerListModel::createCountryList(const Servers &servers) const
{
    // One row per country, ordered by country name. A code no locale knows
    // keeps its own row, so its servers stay reachable; codes that differ only
    // in case share one row.
    QList<QPair<QString, QString>> countries; // name, code
    QStringList codes;
    for (const Server &server : servers) {
        if (!codes.contains(server.countryCode()))
            codes.append(server.countryCode());
    }
    for (const QString &code : qAsConst(codes)) {
        const QString name = Countries::countryNameByCountryCode(code);
        const QString rowCode = name.isEmpty() ? code : Countries::countryCodeByCountryName(name);
        countries.append({name, rowCode.isEmpty() ? code : rowCode});
    }
    std::stable_sort(
        countries.begin(), countries.end(),
        [](const QPair<QString, QString> &a, const QPair<QString, QString> &b) { return a.first < b.first; });

    Servers rows;
    QStringList taken;
    for (const auto &country : qAsConst(countries)) {
        if (taken.contains(country.second, Qt::CaseInsensitive))
            continue;
        taken.append(country.second);
        rows.append(Server(country.second, QString()));
    }
    return rows;
}

Servers ServerListModel::createRecentList() const
{
    return {Server(favoritesHeaderCode, tr("Favorite Servers")),
            Server(recentsHeaderCode, tr("Recent Servers"))};
}

void ServerListModel::setServerList(const Servers &serverList)
{
    m_allRowsAreCountries = true;
    removeRows(0, rowCount());
    createServerList(serverList, true);
}

void ServerListModel::createRecentServerList(const Servers &serverList)
{
    if (m_feature != RecentServers)
        return;
    Servers servers;
    for (const Server &server : serverList) {
        if (!server.countryServer())
            servers.append(server);
    }
    createServerList(servers, true);
}

// ---- the current choice ----

void ServerListModel::updateCurrentServer(const QString &serverId, bool notify)
{
    if (serverId.isEmpty())
        return;
    QString id = serverId;
    if (Utils::isValidIPv4Address(id))
        id = Server::serverIdToStorageId(m_displayList, id);

    if (!Server::stringIsUuid(id) && !Server::isCountryCode(id)) {
        // A single server. Older settings stored its position in the list.
        if (isDecimalNumber(id)) {
            bool ok = false;
            const int position = id.toInt(&ok);
            if (ok && position < m_sourceList.size())
                id = m_sourceList.at(position).ip();
        }
        if (Utils::isValidIPv4Address(id)) {
            m_currentServerId = id;
        } else {
            if (m_displayList.isEmpty())
                return;
            if (Server::isHostName(id))
                m_currentServerId = Server::findServerByName(m_displayList, id);
            else
                m_currentServerId = m_displayList.first().id();
        }
        if (!serverIp().isEmpty() && notify)
            emitSignals();
        return;
    }

    // A whole country, by the UUID of its row or by its code.
    QString code;
    const int row = findServerIndexById(id);
    if (row >= 0) {
        code = m_displayList.at(row).countryCode();
    } else if (Server::isCountryCode(id)) {
        for (const Server &server : qAsConst(m_displayList)) {
            if (server.countryCode().compare(id, Qt::CaseInsensitive) == 0) {
                code = server.countryCode();
                break;
            }
        }
    }
    if (code.isEmpty())
        return;
    m_currentServerId = searchMarker;
    // The country takes the place of the last server: choosing that server
    // again must be announced again, or the window would keep the country.
    m_lastServerIp.clear();
    emit searchCountry(code, Utils::countryFlagSource(code));
}

bool ServerListModel::findCurrentServer(Server &server) const
{
    if (m_currentServerId.isEmpty())
        return false;
    const int row = findServerIndexById(m_currentServerId);
    if (row >= 0) {
        server = m_displayList.at(row);
        return true;
    }
    const int position = findServerIndexByIdInAllServers(m_currentServerId);
    if (position >= 0) {
        server = m_sourceList.at(position);
        return true;
    }
    return false;
}

QString ServerListModel::locationText() const
{
    if (m_currentServerId == searchMarker)
        return tr("Search");
    Server server;
    return findCurrentServer(server) ? server.countryAndCity() : tr("Not selected");
}

QString ServerListModel::locationImageSource() const
{
    Server server;
    return findCurrentServer(server) ? Utils::countryFlagSource(server.countryCode()) : QString();
}

QString ServerListModel::serverIp() const
{
    Server server;
    return findCurrentServer(server) ? server.ip() : QString();
}

void ServerListModel::emitSignals()
{
    const QString text = locationText();
    if (text != m_lastLocationText) {
        m_lastLocationText = text;
        emit locationTextChanged(text);
    }
    const QString imageSource = locationImageSource();
    if (imageSource != m_lastLocationImageSource) {
        m_lastLocationImageSource = imageSource;
        emit locationImageSourceChanged(imageSource);
    }
    const QString ip = serverIp();
    if (ip == m_lastServerIp)
        return;
    m_lastServerIp = ip;
    emit serverIpChanged(ip);
    m_serverIpAnnounced = true;
}

// ---- lookups ----

int ServerListModel::findServerIndexById(const QString &id) const
{
    for (int row = 0; row < m_displayList.size(); ++row) {
        if (m_displayList.at(row).id() == id)
            return row;
    }
    return -1;
}

int ServerListModel::findServerIndexByIdInAllServers(const QString &id) const
{
    for (int i = 0; i < m_sourceList.size(); ++i) {
        if (m_sourceList.at(i).id() == id || m_sourceList.at(i).name() == id)
            return i;
    }
    return -1;
}

int ServerListModel::recentMenuIndex() const
{
    for (int row = 0; row < m_displayList.size(); ++row) {
        const Server &server = m_displayList.at(row);
        if (server.countryServer() && server.countryCode() == recentsHeaderCode)
            return row;
    }
    return -1;
}

// ---- expanding and collapsing ----

void ServerListModel::expandCurrentItem(const QString &serverId, bool expand)
{
    if (m_feature == Recommended) {
        warning(QStringLiteral("This model can't be expanded!"));
        return;
    }
    const int row = findServerIndexById(serverId);
    if (row < 0) {
        warning(QStringLiteral("Can't find server '%1' for expandable operation: %2")
                    .arg(serverId)
                    .arg(expand ? 1 : 0));
        return;
    }
    // Only country rows and the two headers have rows below them; a server
    // row's arrow area must not remove its neighbours.
    if (!m_displayList.at(row).countryServer())
        return;
    const QString code = m_displayList.at(row).countryCode();

    if (m_feature == AllServers) {
        // The country row is counted too: more than one row means expanded.
        const int rows = Server::allCountryServers(m_displayList, code).size();
        if ((!expand && rows == 1) || (expand && rows > 1))
            return;
    } else {
        if (code == favoritesHeaderCode && m_favoritesExpanded == expand)
            return;
        if (code == recentsHeaderCode && m_recentsExpanded == expand)
            return;
    }

    Servers children;
    if (code == favoritesHeaderCode) {
        m_favoritesExpanded = expand;
        for (const Server &server : qAsConst(m_sourceList)) {
            if (server.favorite())
                children.append(server);
        }
    } else if (code == recentsHeaderCode) {
        m_recentsExpanded = expand;
        children = Settings::instance()->recentServersFromAllowedList(m_sourceList);
    } else {
        children = Server::allCountryServers(m_sourceList, code);
    }

    if (children.isEmpty()) {
        info(QStringLiteral("Can't find servers for expandable operation, list is empty for server '%1'")
                 .arg(serverId));
        return;
    }

    if (expand) {
        insertRowsAt(row + 1, children);
    } else {
        // The shown children: the run of server rows up to the next country row or header.
        int shown = 0;
        while (row + 1 + shown < m_displayList.size() && !m_displayList.at(row + 1 + shown).countryServer())
            ++shown;
        removeRows(row + 1, shown);
    }
    notifyUpdateModelData();
    emit expandableStateChanged(serverId, expand);
}

void ServerListModel::expandAll()
{
    setBaseRowsExpanded(true);
}

void ServerListModel::collapseAll()
{
    setBaseRowsExpanded(false);
}

void ServerListModel::setBaseRowsExpanded(bool expand)
{
    if (!expandableModel())
        return;
    const Servers rows = m_baseRows;
    for (const Server &server : rows)
        expandCurrentItem(server.id(), expand);
}

// ---- favorites and recent servers ----

void ServerListModel::setFavorite(const QString &serverId, bool set)
{
    Server::updateServerListFromFavorite(m_sourceList, serverId, set);
    Server::updateServerListFromFavorite(m_displayList, serverId, set);
    notifyUpdateModelData();

    if (m_feature != RecentServers || !m_favoritesExpanded)
        return;

    // The expanded favorites section is the run of rows between the two headers.
    const int header = recentMenuIndex();
    int shown = -1;
    for (int row = 1; row < header; ++row) {
        if (m_displayList.at(row).id() == serverId) {
            shown = row;
            break;
        }
    }
    if (!set) {
        if (shown > 0)
            removeRows(shown, 1);
        return;
    }
    if (shown > 0)
        return;
    const Server server = Server::findServerByIp(m_sourceList, serverId);
    if (server.isValid())
        insertRowsAt(1, {server});
    else
        info(QStringLiteral("Can't find server with IP '%1'").arg(serverId));
}

void ServerListModel::appendRecentServer(const Server &server)
{
    if (m_feature != RecentServers)
        return;
    Settings *settings = Settings::instance();
    Servers recents = settings->recentServersFromAllowedList(m_sourceList);
    // A server used again becomes the newest entry instead of keeping its old place.
    for (int i = recents.size() - 1; i >= 0; --i) {
        if (recents.at(i).ip() == server.ip())
            recents.removeAt(i);
    }
    recents.append(server);
    settings->saveRecentServers(recents);
    updateRecentServers(m_recentsExpanded);
}

void ServerListModel::updateRecentServers(bool expand)
{
    m_recentsExpanded = expand;
    const int header = recentMenuIndex();
    if (header < 0) {
        info(QStringLiteral("Can't find parent item!"));
        return;
    }
    if (expand) {
        removeRows(header + 1, m_displayList.size() - header - 1);
        insertRowsAt(header + 1, Settings::instance()->recentServersFromAllowedList(m_sourceList));
    }
    notifyUpdateModelData();
}

// ---- presentation helpers for the delegates ----

bool ServerListModel::attrExpandable(int indexOfThisDelegate) const
{
    if (roleData(indexOfThisDelegate, ServiceItemRole).toBool())
        return false;
    return expandableModel();
}

QString ServerListModel::attrCountryFlagSource(int indexOfThisDelegate) const
{
    // A server row of the All tab shows no flag: its country row above it does.
    if (expandableModel() && !roleData(indexOfThisDelegate, ServiceItemRole).toBool()
        && !roleData(indexOfThisDelegate, CountryServerRole).toBool())
        return QString();
    return roleData(indexOfThisDelegate, CountryFlagSourceRole).toString();
}

QString ServerListModel::attrBasicLabelText(int indexOfThisDelegate) const
{
    if (expandableModel() && roleData(indexOfThisDelegate, CountryServerRole).toBool())
        return roleData(indexOfThisDelegate, CountryNameRole).toString();
    return roleData(indexOfThisDelegate, CityRole).toString();
}

bool ServerListModel::attrFavoriteIconVisible(int indexOfThisDelegate) const
{
    if (m_feature == Recommended)
        return true;
    return !roleData(indexOfThisDelegate, CountryServerRole).toBool();
}

bool ServerListModel::attrVisible(int indexOfThisDelegate, const QString &searchPhrase) const
{
    const QString phrase = searchPhrase.simplified();
    if (phrase.isEmpty())
        return true;
    if (indexOfThisDelegate < 0 || indexOfThisDelegate >= m_displayList.size()) {
        warning(QStringLiteral("Attr, out of index: %1").arg(indexOfThisDelegate));
        return true;
    }
    const Server &server = m_displayList.at(indexOfThisDelegate);
    if (m_feature != AllServers)
        return server.serviceServer() || server.containsSearchPhrase(phrase);
    if (!server.countryServer())
        return server.containsSearchPhrase(phrase);
    // A country row stays while it or any of its shown servers matches.
    const Servers countryRows = Server::allCountryServers(m_displayList, server.countryCode());
    for (const Server &row : countryRows) {
        if (row.containsSearchPhrase(phrase))
            return true;
    }
    return false;
}
