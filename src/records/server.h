#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

class Location;
class Server;

// A list of servers as it travels in signals.
using Servers = QList<Server>;

// One VPN server of the directory, or a pseudo-entry of the server list: a
// whole country (countryServer) or a titled group heading (countryServer and
// serviceServer).
//
// Identifiers: id() is the IPv4 address for real servers and a random UUID
// for pseudo-entries. A chosen server is remembered in the settings by its
// storage id: the name for a real server, the two-letter code for a whole
// country; older stored ids may still be IPv4 addresses.
//
// List operations are static and never change their input unless their name
// says "update". Text comparisons are exact unless stated otherwise.
class Server
{
public:
    // An empty record: texts null, flags false, numbers 0.
    Server();
    // A pseudo-entry with a fresh UUID id; a non-empty name makes it a group heading.
    Server(const QString &countryCode, const QString &name);
    // A real server from the feed. The city loses every "<countryCode> " in it,
    // so a feed city "US New York" with the code "US" becomes "New York".
    Server(const QString &id, const QString &countryCode, const QString &city, const QString &name,
           const QString &ip, int capacity, float cpu, int apiServerId);

    static QString objectName() { return QStringLiteral("Server"); }

    QString id() const { return m_id; }
    QString countryCode() const { return m_countryCode; }
    QString city() const { return m_city; }
    QString name() const { return m_name; }
    QString ip() const { return m_ip; }
    float cpu() const { return m_cpu; }
    int capacity() const { return m_capacity; }
    int apiServerId() const { return m_apiServerId; }
    bool countryServer() const { return m_countryServer; }
    bool serviceServer() const { return m_serviceServer; }
    bool favorite() const { return m_favorite; }

    void setFavorite(bool favorite) { m_favorite = favorite; }
    void clear();
    bool isValid() const;

    // Every field but cpu takes part.
    bool operator==(const Server &other) const;
    bool operator!=(const Server &other) const { return !(*this == other); }

    // "code, city"
    QString countryAndCity() const;
    // The code for a pseudo-entry, else countryAndCity().
    QString shortInfo() const;
    // The title for a group heading, else the name of the country.
    QString countryName() const;
    // Case-insensitive substring search in the country name, the city and the
    // name; an empty phrase matches every entry.
    bool containsSearchPhrase(const QString &phrase) const;
    // One information line in the log.
    void printData() const;

    static Server findServerByIp(const Servers &list, const QString &ip);
    // The ip of the server with that name, or the name itself when there is none.
    static QString findServerByName(const Servers &list, const QString &name);
    static QString findCountryCodeByIp(const Servers &list, const QString &ip);
    // The id of the server in the location's city and country; empty when
    // none matches or the location is not valid.
    static QString findServerByLocation(const Servers &list, const Location &location);
    // The server's name for an IPv4 address of the list; any other id unchanged.
    static QString serverIdToStorageId(const Servers &list, const QString &serverId);
    // Case-insensitive match of the code, list order kept.
    static Servers allCountryServers(const Servers &list, const QString &countryCode);
    // Distinct lower-cased codes, ascending.
    static QStringList allCountryCodes(const Servers &list);
    // Names of the distinct codes (exact comparison), ascending.
    static QStringList allCountryNames(const Servers &list);
    static QStringList serverList(const Servers &list);
    // The servers of the list whose ip (or name) is one of the texts, in list order.
    static Servers extractMatchServers(const QStringList &ips, const Servers &list);
    static Servers extractMatchServers2(const Servers &list, const QStringList &names);
    static bool containsServer(const Servers &list, const Server &server);
    // Sets the mark on every server with that address; other id forms change nothing.
    static void updateServerListFromFavorite(Servers &list, const QString &id, bool favorite);
    // Marks each entry named by a favorite: a country by its two-letter code
    // (pseudo-entries only), a server by its IPv4 address or by its name.
    static void updateServerListFromFavorites(Servers &list, const QStringList &favorites);
    // Groups by lower-cased country code (ascending), each group ordered by city.
    static Servers sort(const Servers &list);
    // Ordered by city, case-sensitive; equal cities end in no fixed order.
    static Servers sortByCompare(const Servers &list);
    // False only for the feed text "0.00".
    static bool serverIsAvailableByCpuValue(const QString &cpuText);
    // "[VPN ]location in '<second>' (<first>)"
    static QString locationText(const QString &first, const QString &second, bool vpn);
    static void printData(const Servers &list, const QString &title);

    // Two characters, whatever they are.
    static bool isCountryCode(const QString &text);
    // A non-empty valid host under strict URL parsing, and not two characters long.
    static bool isHostName(const QString &text);
    // A UUID other than the null UUID.
    static bool stringIsUuid(const QString &text);

private:
    QString m_city;
    QString m_countryCode;
    QString m_ip;
    QString m_name;
    QString m_id;
    bool m_countryServer = false;
    bool m_favorite = false;
    bool m_serviceServer = false;
    float m_cpu = 0;
    int m_apiServerId = 0;
    int m_capacity = 0;
};

// QList<Server> is a meta type through Server; the name "Servers" that signal
// signatures use is registered at start-up, so queued connections carry it.
Q_DECLARE_METATYPE(Server)
