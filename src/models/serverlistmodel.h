#pragma once

#include "server.h"

#include <QAbstractListModel>
#include <QHash>
#include <QString>

// The rows of one tab of the server list window: the recommended servers, all
// servers grouped under country rows that expand into their servers, or the
// favorites and recent servers under their two header rows. It also keeps the
// choice made in its tab and publishes the location text, flag and IP of it.
class ServerListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(QString locationImageSource READ locationImageSource NOTIFY locationImageSourceChanged)
    Q_PROPERTY(QString locationText READ locationText NOTIFY locationTextChanged)
    Q_PROPERTY(QString serverIp READ serverIp NOTIFY serverIpChanged)
    // True while the model HAS rows: the list views show the list while it holds.
    Q_PROPERTY(bool isEmpty READ isEmpty NOTIFY isEmptyChanged)

public:
    enum Feature { Recommended = 1, AllServers = 2, RecentServers = 3 };
    Q_ENUM(Feature)

    enum Roles {
        IdRole = Qt::UserRole,
        CountryServerRole,
        CountryRole,
        CountryNameRole,
        CityRole,
        NameRole,
        FavoriteRole,
        ServiceHeaderRole,
        ServiceItemRole,
        CountryFlagSourceRole,
        SearchFieldRole
    };

    static const QString searchMarker;
    static const QString favoritesHeaderCode;
    static const QString recentsHeaderCode;

    // The object name follows the feature: "RecomendedServersModel",
    // "ServerListModel" or "RecentServersModel".
    explicit ServerListModel(Feature feature, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    QString locationImageSource() const;
    QString locationText() const;
    QString serverIp() const;
    bool isEmpty() const { return !m_displayList.isEmpty(); }

    Feature feature() const { return m_feature; }
    QString currentServerId() const { return m_currentServerId; }
    Servers sourceServerList() const { return m_sourceList; }
    // At most this many rows for the feature; -1 for no limit.
    static int maxAllowedItems(Feature feature);
    // The recommended list from a pass of latency probes ("address:value"
    // texts, fastest first): the fastest server of each of the fastest
    // countries, unknown addresses skipped, at most maxAllowedItems(Recommended).
    static Servers fastestPerCountry(const Servers &servers, const QStringList &pingResults);

    int findServerIndexById(const QString &id) const;
    int findServerIndexByIdInAllServers(const QString &id) const;
    int recentMenuIndex() const;

    // Presentation of row i for the QML delegates.
    Q_INVOKABLE QString attrBasicLabelText(int indexOfThisDelegate) const;
    Q_INVOKABLE QString attrCountryFlagSource(int indexOfThisDelegate) const;
    Q_INVOKABLE bool attrExpandable(int indexOfThisDelegate) const;
    Q_INVOKABLE bool attrFavoriteIconVisible(int indexOfThisDelegate) const;
    Q_INVOKABLE bool attrVisible(int indexOfThisDelegate, const QString &searchPhrase) const;

    Q_INVOKABLE bool expandableModel() const;
    Q_INVOKABLE void collapseAll();
    Q_INVOKABLE void expandAll();
    Q_INVOKABLE void expandCurrentItem(const QString &serverId, bool expand);
    Q_INVOKABLE void setFavorite(const QString &serverId, bool set = true);
    // Accepts an IPv4 address, a storage id (name), a legacy list index, a
    // country code or the UUID of a country row.
    Q_INVOKABLE void updateCurrentServer(const QString &serverId, bool notify = true);

public slots:
    void createServerList(const Servers &serverList, bool notyfy = true);
    void setServerList(const Servers &serverList);
    void createRecentServerList(const Servers &serverList);
    void appendRecentServer(const Server &server);

signals:
    void expandableStateChanged(const QString &srvId, bool expand);
    void isEmptyChanged(bool empty);
    void locationImageSourceChanged(const QString &source);
    void locationTextChanged(const QString &text);
    void searchCountry(const QString &countryCode, const QString &locationImageSource);
    void serverIpChanged(const QString &ip);

private:
    Servers createCountryList(const Servers &servers) const;
    Servers createRecentList() const;
    void replaceRows(const Servers &rows);
    void insertRowsAt(int row, const Servers &servers);
    void emitSignals();
    // The server of the current choice: the row with that id, else the source
    // entry with that id or name.
    bool findCurrentServer(Server &server) const;
    void notifyUpdateModelData();
    // Expands or collapses every row the list was built with.
    void setBaseRowsExpanded(bool expand);
    void updateRecentServers(bool expand);
    QVariant roleData(int row, int role) const;

    void info(const QString &text) const;
    void warning(const QString &text) const;

    const Feature m_feature;
    QString m_currentServerId;
    Servers m_displayList;
    Servers m_sourceList;
    Servers m_baseRows;
    bool m_allRowsAreCountries = false;
    bool m_recentsExpanded = false;
    bool m_favoritesExpanded = false;
    bool m_serverIpAnnounced = false;

    // What was last published, shared by every instance: the main window shows one choice.
    static QString m_lastLocationText;
    static QString m_lastLocationImageSource;
    static QString m_lastServerIp;
};
