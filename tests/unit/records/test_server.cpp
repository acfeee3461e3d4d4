#include "countries.h"
#include "location.h"
#include "server.h"

#include <QtTest>

#include <algorithm>

namespace {
Server real(const QString &ip, const QString &code, const QString &city, const QString &name,
            int capacity = 10, float cpu = 0.5f, int apiServerId = 0)
{
    return Server(ip, code, city, name, ip, capacity, cpu, apiServerId);
}

// A small directory: mixed-case codes, a server without code, and pseudo-entries.
Servers fixture()
{
    return Servers {
        real(QStringLiteral("10.0.0.1"), QStringLiteral("US"), QStringLiteral("US New York"),
             QStringLiteral("us-ny1")),
        real(QStringLiteral("10.0.0.2"), QStringLiteral("us"), QStringLiteral("Chicago"),
             QStringLiteral("us-chi1")),
        real(QStringLiteral("10.0.0.3"), QStringLiteral("DE"), QStringLiteral("Berlin"),
             QStringLiteral("de-ber1")),
        real(QStringLiteral("10.0.0.4"), QStringLiteral("nl"), QStringLiteral("amsterdam"),
             QStringLiteral("nl-ams1")),
        real(QStringLiteral("10.0.0.5"), QStringLiteral("DE"), QStringLiteral("Frankfurt"),
             QStringLiteral("de-fra1")),
        real(QStringLiteral("10.0.0.6"), QString(), QStringLiteral("Nowhere"), QStringLiteral("xx-now1")),
        Server(QStringLiteral("DE"), QString()),
        Server(QStringLiteral("de"), QString()),
        Server(QStringLiteral("US"), QStringLiteral("Favorite Servers")),
    };
}

QStringList names(const Servers &list)
{
    QStringList result;
    for (const Server &server : list)
        result.append(server.countryServer() ? QLatin1Char('*') + server.countryCode() : server.name());
    return result;
}

QStringList favoriteMarks(const Servers &list)
{
    QStringList result;
    for (const Server &server : list) {
        if (server.favorite())
            result.append(server.countryServer() ? QLatin1Char('*') + server.countryCode() : server.name());
    }
    return result;
}

QStringList split(const QString &text)
{
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char(','));
}

QStringList capturedLines;
void captureMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedLines.append(message);
}
} // namespace

class TestServer : public QObject
{
    Q_OBJECT

signals:
    void serversReady(const Servers &servers);

private slots:
    void constructors();
    void cityCleanUp_data();
    void cityCleanUp();
    void validity_data();
    void validity();
    void equalityIgnoresCpu();
    void texts();
    void searchPhrase_data();
    void searchPhrase();
    void lookups_data();
    void lookups();
    void storageId_data();
    void storageId();
    void countryGroups();
    void extraction();
    void favoriteById_data();
    void favoriteById();
    void favoritesList_data();
    void favoritesList();
    void sortGroupsByCountry();
    void sortByCity_data();
    void sortByCity();
    void sortKeepsEqualCities();
    void cpuAvailability_data();
    void cpuAvailability();
    void textForms_data();
    void textForms();
    void printData();
    void location();
    void queuedSignalCarriesServers();
};

void TestServer::constructors()
{
    const Server empty;
    QVERIFY(empty.id().isNull() && empty.city().isNull() && empty.name().isNull() && empty.ip().isNull());
    QVERIFY(!empty.countryServer() && !empty.serviceServer() && !empty.favorite());
    QCOMPARE(empty.cpu(), 0.0f);
    QCOMPARE(empty.capacity(), 0);
    QCOMPARE(empty.apiServerId(), 0);
    QVERIFY(!empty.isValid());

    const Server country(QStringLiteral("DE"), QString());
    QVERIFY(country.countryServer());
    QVERIFY(!country.serviceServer());
    QVERIFY(country.name().isEmpty());
    QVERIFY(country.ip().isEmpty());
    QVERIFY(Server::stringIsUuid(country.id()));
    QVERIFY(QRegularExpression(
                QStringLiteral("^\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}$"))
                .match(country.id())
                .hasMatch());
    QVERIFY(Server(QStringLiteral("DE"), QString()).id() != country.id());

    const Server heading(QStringLiteral("US"), QStringLiteral("Recent Servers"));
    QVERIFY(heading.countryServer());
    QVERIFY(heading.serviceServer());
    QCOMPARE(heading.name(), QStringLiteral("Recent Servers"));

    Server server(QStringLiteral("10.0.0.9"), QStringLiteral("FR"), QStringLiteral("Paris"),
                  QStringLiteral("fr-par1"), QStringLiteral("10.0.0.9"), 42, 1.25f, 7);
    QCOMPARE(server.id(), QStringLiteral("10.0.0.9"));
    QCOMPARE(server.countryCode(), QStringLiteral("FR"));
    QCOMPARE(server.city(), QStringLiteral("Paris"));
    QCOMPARE(server.name(), QStringLiteral("fr-par1"));
    QCOMPARE(server.ip(), QStringLiteral("10.0.0.9"));
    QCOMPARE(server.capacity(), 42);
    QCOMPARE(server.cpu(), 1.25f);
    QCOMPARE(server.apiServerId(), 7);
    QVERIFY(!server.countryServer() && !server.serviceServer() && !server.favorite());
    server.setFavorite(true);
    QVERIFY(server.favorite());
    server.clear();
    QCOMPARE(server, Server());
}

void TestServer::cityCleanUp_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QString>("expected");

    QTest::newRow("code prefix") << "US"
                                 << "US New York"
                                 << "New York";
    QTest::newRow("code inside") << "DE"
                                 << "Frankfurt DE Main"
                                 << "Frankfurt Main";
    QTest::newRow("every occurrence") << "US"
                                      << "US US Boston"
                                      << "Boston";
    QTest::newRow("case-sensitive") << "US"
                                    << "us New York"
                                    << "us New York";
    QTest::newRow("code without blank") << "US"
                                        << "USNew"
                                        << "USNew";
    QTest::newRow("plain city") << "FR"
                                << "Paris"
                                << "Paris";
    QTest::newRow("empty code removes blanks") << ""
                                               << "New York City"
                                               << "NewYorkCity";
    QTest::newRow("empty city") << "US"
                                << ""
                                << "";
}

void TestServer::cityCleanUp()
{
    QFETCH(QString, code);
    QFETCH(QString, city);
    QFETCH(QString, expected);
    QCOMPARE(real(QStringLiteral("10.0.0.1"), code, city, QStringLiteral("x-1")).city(), expected);
}

void TestServer::validity_data()
{
    QTest::addColumn<Server>("server");
    QTest::addColumn<bool>("valid");

    QTest::newRow("default") << Server() << false;
    QTest::newRow("country entry") << Server(QStringLiteral("DE"), QString()) << true;
    QTest::newRow("country entry without code") << Server(QString(), QString()) << true;
    QTest::newRow("only id") << Server(QStringLiteral("id"), QString(), QString(), QString(), QString(), 0, 0,
                                       0)
                             << true;
    QTest::newRow("only capacity") << Server(QString(), QString(), QString(), QString(), QString(), 3, 0, 0)
                                   << true;
    QTest::newRow("only city") << Server(QString(), QString(), QStringLiteral("Oslo"), QString(), QString(),
                                         0, 0, 0)
                               << true;
    QTest::newRow("only cpu and api id")
        << Server(QString(), QString(), QString(), QString(), QString(), 0, 2.0f, 5) << false;
}

void TestServer::validity()
{
    QFETCH(Server, server);
    QFETCH(bool, valid);
    QCOMPARE(server.isValid(), valid);
}

void TestServer::equalityIgnoresCpu()
{
    const Server a = real(QStringLiteral("10.0.0.1"), QStringLiteral("US"), QStringLiteral("Boston"),
                          QStringLiteral("us-bos1"), 10, 0.5f);
    const Server b = real(QStringLiteral("10.0.0.1"), QStringLiteral("US"), QStringLiteral("Boston"),
                          QStringLiteral("us-bos1"), 10, 9.75f);
    QCOMPARE(a, b);
    QVERIFY(Server::containsServer(Servers {b}, a));

    Server favorite = a;
    favorite.setFavorite(true);
    QVERIFY(a != favorite);
    QVERIFY(!Server::containsServer(Servers {favorite}, a));
    QVERIFY(a
            != real(QStringLiteral("10.0.0.1"), QStringLiteral("US"), QStringLiteral("Boston"),
                    QStringLiteral("us-bos1"), 11));
    QVERIFY(a
            != real(QStringLiteral("10.0.0.1"), QStringLiteral("US"), QStringLiteral("Boston"),
                    QStringLiteral("us-bos1"), 10, 0.5f, 1));
    QVERIFY(a
            != real(QStringLiteral("10.0.0.1"), QStringLiteral("us"), QStringLiteral("Boston"),
                    QStringLiteral("us-bos1")));
    // Two country entries for the same code differ by their fresh ids.
    QVERIFY(Server(QStringLiteral("DE"), QString()) != Server(QStringLiteral("DE"), QString()));
}

void TestServer::texts()
{
    const Servers list = fixture();
    QCOMPARE(list.at(0).countryAndCity(), QStringLiteral("US, New York"));
    QCOMPARE(list.at(0).shortInfo(), QStringLiteral("US, New York"));
    QCOMPARE(list.at(6).shortInfo(), QStringLiteral("DE"));
    QCOMPARE(list.at(8).shortInfo(), QStringLiteral("US"));
    QCOMPARE(list.at(2).countryName(), Countries::countryNameByCountryCode(QStringLiteral("de")));
    QVERIFY(!list.at(2).countryName().isEmpty());
    QCOMPARE(list.at(8).countryName(), QStringLiteral("Favorite Servers"));
    QCOMPARE(list.at(5).countryName(), QString());
}

void TestServer::searchPhrase_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("phrase");
    QTest::addColumn<bool>("found");

    const QString germany = Countries::countryNameByCountryCode(QStringLiteral("DE"));
    QTest::newRow("country name") << 2 << germany.toUpper() << true;
    QTest::newRow("part of country name") << 6 << germany.mid(1, 3) << true;
    QTest::newRow("city, other case") << 2 << "BERL" << true;
    QTest::newRow("name") << 2 << "ber1" << true;
    QTest::newRow("not there") << 2 << "paris" << false;
    QTest::newRow("empty phrase") << 5 << "" << true;
    QTest::newRow("heading title") << 8 << "favorite" << true;
    QTest::newRow("heading ignores country") << 8 << "united" << false;
}

void TestServer::searchPhrase()
{
    QFETCH(int, index);
    QFETCH(QString, phrase);
    QFETCH(bool, found);
    QCOMPARE(fixture().at(index).containsSearchPhrase(phrase), found);
}

void TestServer::lookups_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("expected");

    QTest::newRow("byIp found") << "byIp"
                                << "10.0.0.3"
                                << "de-ber1";
    QTest::newRow("byIp missing") << "byIp"
                                  << "10.9.9.9"
                                  << "";
    QTest::newRow("byName found") << "byName"
                                  << "us-chi1"
                                  << "10.0.0.2";
    QTest::newRow("byName missing keeps name") << "byName"
                                               << "fr-par1"
                                               << "fr-par1";
    QTest::newRow("byName is exact") << "byName"
                                     << "US-CHI1"
                                     << "US-CHI1";
    QTest::newRow("code found") << "codeByIp"
                                << "10.0.0.4"
                                << "nl";
    QTest::newRow("code missing") << "codeByIp"
                                  << "10.9.9.9"
                                  << "";
}

void TestServer::lookups()
{
    QFETCH(QString, operation);
    QFETCH(QString, argument);
    QFETCH(QString, expected);
    const Servers list = fixture();
    if (operation == QLatin1String("byIp")) {
        const Server server = Server::findServerByIp(list, argument);
        QCOMPARE(server.name(), expected);
        QCOMPARE(server.isValid(), !expected.isEmpty());
    } else if (operation == QLatin1String("byName")) {
        QCOMPARE(Server::findServerByName(list, argument), expected);
    } else {
        QCOMPARE(Server::findCountryCodeByIp(list, argument), expected);
    }
}

void TestServer::storageId_data()
{
    QTest::addColumn<QString>("serverId");
    QTest::addColumn<QString>("storageId");

    QTest::newRow("address in list") << "10.0.0.1"
                                     << "us-ny1";
    QTest::newRow("address not in list") << "10.9.9.9"
                                         << "10.9.9.9";
    QTest::newRow("country code") << "de"
                                  << "de";
    QTest::newRow("host name") << "us-chi1"
                               << "us-chi1";
    QTest::newRow("uuid") << "{6f1c0bfa-1111-4a2b-9c3d-123456789abc}"
                          << "{6f1c0bfa-1111-4a2b-9c3d-123456789abc}";
    QTest::newRow("empty") << ""
                           << "";
}

void TestServer::storageId()
{
    QFETCH(QString, serverId);
    QFETCH(QString, storageId);
    QCOMPARE(Server::serverIdToStorageId(fixture(), serverId), storageId);
}

void TestServer::countryGroups()
{
    const Servers list = fixture();
    QCOMPARE(names(Server::allCountryServers(list, QStringLiteral("uS"))),
             QStringList({"us-ny1", "us-chi1", "*US"}));
    QCOMPARE(names(Server::allCountryServers(list, QStringLiteral("de"))),
             QStringList({"de-ber1", "de-fra1", "*DE", "*de"}));
    QCOMPARE(names(Server::allCountryServers(list, QString())), QStringList({"xx-now1"}));
    QVERIFY(Server::allCountryServers(list, QStringLiteral("fr")).isEmpty());

    QCOMPARE(Server::allCountryCodes(list), QStringList({"", "de", "nl", "us"}));
    QVERIFY(Server::allCountryCodes(Servers()).isEmpty());

    // US and us both survive the exact de-duplication and name the same country.
    const QString us = Countries::countryNameByCountryCode(QStringLiteral("us"));
    const QString de = Countries::countryNameByCountryCode(QStringLiteral("de"));
    const QString nl = Countries::countryNameByCountryCode(QStringLiteral("nl"));
    QStringList expected {us, us, de, de, nl, QString()};
    std::sort(expected.begin(), expected.end());
    QCOMPARE(Server::allCountryNames(list), expected);

    QCOMPARE(
        Server::serverList(list),
        QStringList({"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5", "10.0.0.6", "", "", ""}));
}

void TestServer::extraction()
{
    Servers list = fixture();
    list.append(list.at(2)); // the same server twice
    QCOMPARE(names(Server::extractMatchServers({"10.0.0.3", "10.0.0.1", "10.0.0.3", "10.9.9.9"}, list)),
             QStringList({"us-ny1", "de-ber1"}));
    QCOMPARE(names(Server::extractMatchServers2(list, {"nl-ams1", "de-ber1", "nothing"})),
             QStringList({"de-ber1", "nl-ams1"}));
    QVERIFY(Server::extractMatchServers({}, list).isEmpty());
    QVERIFY(Server::extractMatchServers2(Servers(), {"de-ber1"}).isEmpty());
}

void TestServer::favoriteById_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("favorite");
    QTest::addColumn<QStringList>("marked");

    QTest::newRow("address") << "10.0.0.2" << true << QStringList {"us-ny1", "us-chi1"};
    QTest::newRow("address cleared") << "10.0.0.1" << false << QStringList();
    QTest::newRow("name form") << "us-chi1" << true << QStringList {"us-ny1"};
    QTest::newRow("country code") << "US" << true << QStringList {"us-ny1"};
}

void TestServer::favoriteById()
{
    QFETCH(QString, id);
    QFETCH(bool, favorite);
    QFETCH(QStringList, marked);
    Servers list = fixture();
    list[0].setFavorite(true);
    Server::updateServerListFromFavorite(list, id, favorite);
    QCOMPARE(favoriteMarks(list), marked);
}

void TestServer::favoritesList_data()
{
    QTest::addColumn<QString>("favorites");
    QTest::addColumn<QStringList>("marked");

    QTest::newRow("none clears every mark") << "" << QStringList();
    QTest::newRow("country code marks only its pseudo-entry") << "de" << QStringList {"*de"};
    QTest::newRow("upper-case code") << "DE" << QStringList {"*DE"};
    QTest::newRow("code of a heading") << "US" << QStringList {"*US"};
    QTest::newRow("address") << "10.0.0.4" << QStringList {"nl-ams1"};
    QTest::newRow("name") << "de-fra1" << QStringList {"de-fra1"};
    QTest::newRow("mixed") << "10.0.0.1,de-ber1,nl,de" << QStringList {"us-ny1", "de-ber1", "*de"};
    QTest::newRow("unknown ids") << "10.9.9.9,fr-par1,fr" << QStringList();
    QTest::newRow("empty text marks nothing") << "," << QStringList();
}

void TestServer::favoritesList()
{
    QFETCH(QString, favorites);
    QFETCH(QStringList, marked);
    Servers list = fixture();
    for (Server &server : list)
        server.setFavorite(server.name() == QLatin1String("nl-ams1"));
    Server::updateServerListFromFavorites(list, split(favorites));
    QCOMPARE(favoriteMarks(list), marked);
}

void TestServer::sortGroupsByCountry()
{
    const Servers list = fixture();
    const Servers sorted = Server::sort(list);
    QCOMPARE(sorted.size(), list.size());
    for (const Server &server : list)
        QCOMPARE(sorted.count(server), list.count(server));

    // Groups "", de, nl, us in that order; inside a group by city. The pseudo-entries
    // have empty cities, so they come first in their group.
    QStringList codes;
    for (const Server &server : sorted)
        codes.append(server.countryCode().toLower());
    QCOMPARE(codes, QStringList({"", "de", "de", "de", "de", "nl", "us", "us", "us"}));
    QCOMPARE(names(sorted.mid(3, 2)), QStringList({"de-ber1", "de-fra1"}));
    QCOMPARE(names(sorted.mid(6)), QStringList({"*US", "us-chi1", "us-ny1"}));
    QVERIFY(Server::sort(Servers()).isEmpty());
}

void TestServer::sortByCity_data()
{
    QTest::addColumn<QString>("cities");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("upper case first") << "amsterdam,Berlin"
                                      << "Berlin,amsterdam";
    QTest::newRow("ascending") << "Zurich,Oslo,Athens,oslo"
                               << "Athens,Oslo,Zurich,oslo";
    QTest::newRow("empty city first") << "Rome,,Bern"
                                      << ",Bern,Rome";
}

void TestServer::sortByCity()
{
    QFETCH(QString, cities);
    QFETCH(QString, expected);
    Servers list;
    const QStringList input = split(cities);
    for (int i = 0; i < input.size(); ++i)
        list.append(real(QStringLiteral("10.1.0.%1").arg(i), QStringLiteral("XX"), input.at(i), QString()));
    QStringList result;
    for (const Server &server : Server::sortByCompare(list))
        result.append(server.city());
    QCOMPARE(result, split(expected));
}

void TestServer::sortKeepsEqualCities()
{
    // Equal cities may end in any relative order; only the multiset is kept.
    Servers list;
    for (int i = 0; i < 40; ++i)
        list.append(real(QStringLiteral("10.2.0.%1").arg(i), QStringLiteral("XX"),
                         i % 3 ? QStringLiteral("Same") : QStringLiteral("Alpha"), QString()));
    const Servers sorted = Server::sortByCompare(list);
    QCOMPARE(sorted.size(), list.size());
    for (const Server &server : list)
        QCOMPARE(sorted.count(server), 1);
    QCOMPARE(sorted.first().city(), QStringLiteral("Alpha"));
    QCOMPARE(sorted.last().city(), QStringLiteral("Same"));
    QVERIFY(std::is_sorted(sorted.begin(), sorted.end(),
                           [](const Server &a, const Server &b) { return a.city() < b.city(); }));
}

void TestServer::cpuAvailability_data()
{
    QTest::addColumn<QString>("cpu");
    QTest::addColumn<bool>("available");

    QTest::newRow("0.00") << "0.00" << false;
    QTest::newRow("0.0") << "0.0" << true;
    QTest::newRow("0") << "0" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("load") << "12.50" << true;
}

void TestServer::cpuAvailability()
{
    QFETCH(QString, cpu);
    QFETCH(bool, available);
    QCOMPARE(Server::serverIsAvailableByCpuValue(cpu), available);
}

void TestServer::textForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("countryCode");
    QTest::addColumn<bool>("hostName");
    QTest::addColumn<bool>("uuid");

    QTest::newRow("code") << "de" << true << false << false;
    QTest::newRow("digits") << "42" << true << false << false;
    QTest::newRow("one character") << "x" << false << true << false;
    QTest::newRow("empty") << "" << false << false << false;
    QTest::newRow("server name") << "us-ny1" << false << true << false;
    QTest::newRow("dotted name") << "de-ber1.example.net" << false << true << false;
    QTest::newRow("address") << "10.0.0.1" << false << true << false;
    QTest::newRow("blank inside") << "new york" << false << false << false;
    QTest::newRow("leading hyphen") << "-bad" << false << false << false;
    QTest::newRow("empty label") << "a..b" << false << false << false;
    QTest::newRow("uuid in braces") << "{6f1c0bfa-1111-4a2b-9c3d-123456789abc}" << false << false << true;
    QTest::newRow("bare uuid") << "6f1c0bfa-1111-4a2b-9c3d-123456789abc" << false << true << true;
    QTest::newRow("null uuid") << "{00000000-0000-0000-0000-000000000000}" << false << false << false;
}

void TestServer::textForms()
{
    QFETCH(QString, text);
    QFETCH(bool, countryCode);
    QFETCH(bool, hostName);
    QFETCH(bool, uuid);
    QCOMPARE(Server::isCountryCode(text), countryCode);
    QCOMPARE(Server::isHostName(text), hostName);
    QCOMPARE(Server::stringIsUuid(text), uuid);
}

void TestServer::printData()
{
    const Servers list = fixture();
    capturedLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    Server::printData(list.mid(2, 2) + list.mid(6, 1), QStringLiteral("Servers"));
    list.at(6).printData();
    real(QStringLiteral("10.0.0.7"), QStringLiteral("SE"), QStringLiteral("Stockholm"),
         QStringLiteral("se-sto1"), 5, 0.25f, 17)
        .printData();
    Server::printData(Servers(), QStringLiteral("Empty"));
    qInstallMessageHandler(previous);

    QCOMPARE(capturedLines.size(), 4);
    QCOMPARE(capturedLines.at(0), QStringLiteral("Server: Servers :  'DE, Berlin','nl, amsterdam','DE'"));
    QCOMPARE(capturedLines.at(1), QStringLiteral("Server: id: %1, country: 'DE'").arg(list.at(6).id()));
    QCOMPARE(capturedLines.at(2),
             QStringLiteral(
                 "Server: \tid: 10.0.0.7, country: 'SE', city: 'Stockholm', name: 'se-sto1', ip: 10.0.0.7, "
                 "capacity: 5, cpu: 0.25, favorites: 'false', api serverId: 17"));
    QCOMPARE(capturedLines.at(3), QStringLiteral("Server: Empty :  "));
}

void TestServer::location()
{
    QCOMPARE(Server::locationText(QStringLiteral("1.2.3.4"), QStringLiteral("DE"), true),
             QStringLiteral("VPN location in 'DE' (1.2.3.4)"));
    QCOMPARE(Server::locationText(QStringLiteral("1.2.3.4"), QStringLiteral("DE"), false),
             QStringLiteral("location in 'DE' (1.2.3.4)"));

    const Location none;
    QVERIFY(!none.isValid());
    QCOMPARE(none.countryAndCity(), QStringLiteral("Unknown"));
    QVERIFY(Server::findServerByLocation(fixture(), none).isEmpty());

    const Location chicago(QStringLiteral("marbeckvpn"));
    QVERIFY(chicago.isValid());
    QCOMPARE(chicago.countryAndCity(), QStringLiteral("US/Chicago"));
    Servers list = fixture();
    QVERIFY(Server::findServerByLocation(list, chicago).isEmpty()); // the fixture's Chicago is "us"
    list.append(real(QStringLiteral("10.0.0.8"), QStringLiteral("US"), QStringLiteral("Chicago"),
                     QStringLiteral("us-chi2")));
    list.append(real(QStringLiteral("10.0.0.9"), QStringLiteral("US"), QStringLiteral("Chicago"),
                     QStringLiteral("us-chi3")));
    QCOMPARE(Server::findServerByLocation(list, chicago), QStringLiteral("10.0.0.8"));
    QVERIFY(!Location(QStringLiteral("veltranovpn")).isValid());
}

void TestServer::queuedSignalCarriesServers()
{
    QVERIFY(QMetaType::type("Servers") != QMetaType::UnknownType);
    Servers received;
    connect(
        this, &TestServer::serversReady, this, [&received](const Servers &servers) { received = servers; },
        Qt::QueuedConnection);
    QSignalSpy spy(this, &TestServer::serversReady);
    emit serversReady(fixture());
    QVERIFY(received.isEmpty());
    QTRY_COMPARE(received.size(), fixture().size());
    QCOMPARE(names(received), names(fixture()));
    QCOMPARE(spy.count(), 1);
}

QTEST_GUILESS_MAIN(TestServer)
#include "test_server.moc"
