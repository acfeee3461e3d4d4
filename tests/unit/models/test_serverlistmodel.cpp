#include "serverlistmodel.h"

#include "settings.h"

#include <QAbstractItemModelTester>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
Servers readFixture()
{
    QFile file(QStringLiteral(VPN_TEST_DATA_DIR "/servers.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("fixture missing");
    Servers servers;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QStringList f = line.split(';');
        servers.append(Server(f[3], f[0], f[1], f[2], f[3], f[4].toInt(), 0.5f, 0));
    }
    return servers;
}

// A model with Qt's model checker attached for its whole life.
struct CheckedModel
{
    explicit CheckedModel(ServerListModel::Feature feature)
        : model(new ServerListModel(feature)),
          tester(new QAbstractItemModelTester(model.get(),
                                              QAbstractItemModelTester::FailureReportingMode::QtTest))
    { }
    ServerListModel *operator->() const { return model.get(); }
    ServerListModel *get() const { return model.get(); }

    std::unique_ptr<ServerListModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

QStringList column(const ServerListModel *model, int role)
{
    QStringList values;
    for (int row = 0; row < model->rowCount(); ++row)
        values.append(model->data(model->index(row), role).toString());
    return values;
}

QStringList names(const ServerListModel *model)
{
    return column(model, ServerListModel::NameRole);
}

QStringList codes(const ServerListModel *model)
{
    return column(model, ServerListModel::CountryRole);
}

int rowOfCode(const ServerListModel *model, const QString &code)
{
    return codes(model).indexOf(code);
}

QString idOfCode(const ServerListModel *model, const QString &code)
{
    return model->data(model->index(rowOfCode(model, code)), ServerListModel::IdRole).toString();
}

QString flag(const QString &code)
{
    return QStringLiteral("qrc:/resources/icons/flags/%1.png").arg(code);
}
} // namespace

class TestServerListModel : public QObject
{
    Q_OBJECT

    Servers m_servers;

    // Clears what the models read from the settings.
    void resetSettings()
    {
        Settings *settings = Settings::instance();
        const QStringList favorites = settings->favorites();
        for (const QString &id : favorites)
            settings->saveFavorite(id, false);
        settings->saveRecentServers(Servers());
        settings->setCurrentServerId(QString());
    }

    // The last published choice is shared by every model; publish a server no
    // test uses, so that each test starts from a known state.
    void primeSharedChoice()
    {
        ServerListModel primer(ServerListModel::Recommended);
        const Server sentinel("192.0.2.250", "IS", "Reykjavik", "is-rey-1", "192.0.2.250", 1, 0, 0);
        primer.createServerList({sentinel}, false);
        primer.updateCurrentServer(sentinel.ip());
        QCOMPARE(primer.serverIp(), sentinel.ip());
    }

private slots:
    void initTestCase()
    {
        m_servers = readFixture();
        QCOMPARE(m_servers.size(), 12);
    }

    void init()
    {
        resetSettings();
        primeSharedChoice();
    }

    void featuresAndNames()
    {
        QCOMPARE(ServerListModel(ServerListModel::Recommended).objectName(),
                 QString("RecomendedServersModel"));
        QCOMPARE(ServerListModel(ServerListModel::AllServers).objectName(), QString("ServerListModel"));
        QCOMPARE(ServerListModel(ServerListModel::RecentServers).objectName(), QString("RecentServersModel"));
        QCOMPARE(ServerListModel::maxAllowedItems(ServerListModel::Recommended), 8);
        QCOMPARE(ServerListModel::maxAllowedItems(ServerListModel::AllServers), -1);
        QCOMPARE(ServerListModel::maxAllowedItems(ServerListModel::RecentServers), -1);
        QVERIFY(!ServerListModel(ServerListModel::Recommended).expandableModel());
        QVERIFY(ServerListModel(ServerListModel::AllServers).expandableModel());
        QVERIFY(ServerListModel(ServerListModel::RecentServers).expandableModel());

        const QHash<int, QByteArray> roles = ServerListModel(ServerListModel::AllServers).roleNames();
        const QList<QByteArray> expected {
            "Id",       "CountryServer", "Country",     "CountryName",       "City",       "Name",
            "Favorite", "ServiceHeader", "ServiceItem", "CountryFlagSource", "SearchField"};
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(roles.value(256 + i), expected.at(i));
    }

    void recommendedRows()
    {
        CheckedModel model(ServerListModel::Recommended);
        QSignalSpy isEmpty(model.get(), &ServerListModel::isEmptyChanged);
        QVERIFY(!model->isEmpty());

        model->createServerList(m_servers);
        QCOMPARE(model->rowCount(), 12);
        QCOMPARE(model->property("isEmpty").toBool(), true);
        QCOMPARE(isEmpty.count(), 1);
        QCOMPARE(isEmpty.first().first().toBool(), true);
        for (int row = 0; row < 12; ++row) {
            const Server &server = m_servers.at(row);
            const QModelIndex index = model->index(row);
            QCOMPARE(model->data(index, ServerListModel::IdRole).toString(), server.ip());
            QCOMPARE(model->data(index, ServerListModel::CountryServerRole).toBool(), false);
            QCOMPARE(model->data(index, ServerListModel::CountryRole).toString(),
                     server.countryCode().toLower());
            QCOMPARE(model->data(index, ServerListModel::CityRole).toString(), server.city());
            QCOMPARE(model->data(index, ServerListModel::ServiceHeaderRole).toBool(), false);
            QCOMPARE(model->data(index, ServerListModel::ServiceItemRole).toBool(), false);
            QCOMPARE(model->data(index, ServerListModel::CountryFlagSourceRole).toString(),
                     flag(server.countryCode().toLower()));
            QCOMPARE(model->attrBasicLabelText(row), server.city());
            QCOMPARE(model->attrCountryFlagSource(row), flag(server.countryCode().toLower()));
            QVERIFY(model->attrFavoriteIconVisible(row));
            QVERIFY(!model->attrExpandable(row));
        }
        QCOMPARE(model->data(model->index(6), ServerListModel::SearchFieldRole).toString(),
                 QString("united states:new york:us-nyc-1:10.0.3.1"));
        QCOMPARE(model->data(model->index(0), ServerListModel::CountryNameRole).toString(),
                 QString("Germany"));
        // Rows below zero answer "0"; Qt's own roles are empty.
        QCOMPARE(model->data(QModelIndex(), ServerListModel::IdRole).toString(), QString("0"));
        QVERIFY(!model->data(model->index(0), Qt::DisplayRole).isValid());

        // The recommended list: every row reads as a country server.
        model->setServerList(m_servers.mid(0, 3));
        QCOMPARE(names(model.get()), (QStringList {"de-ber-1", "de-fra-1", "de-fra-2"}));
        QCOMPARE(model->data(model->index(1), ServerListModel::CountryServerRole).toBool(), true);
        QCOMPARE(model->attrBasicLabelText(1), QString("Frankfurt"));

        isEmpty.clear();
        model->setServerList(Servers());
        QCOMPARE(model->rowCount(), 0);
        QVERIFY(!model->isEmpty());
        QCOMPARE(isEmpty.count(), 1);
        QCOMPARE(isEmpty.first().first().toBool(), false);
    }

    void allServersCountryRows()
    {
        CheckedModel model(ServerListModel::AllServers);
        model->createServerList(m_servers);
        // Ordered by country name: France, Germany, Japan, Netherlands, Switzerland, United Kingdom, United
        // States.
        QCOMPARE(codes(model.get()), (QStringList {"fr", "de", "jp", "nl", "ch", "gb", "us"}));
        QCOMPARE(column(model.get(), ServerListModel::CountryNameRole),
                 (QStringList {"France", "Germany", "Japan", "Netherlands", "Switzerland", "United Kingdom",
                               "United States"}));
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row);
            QVERIFY(model->data(index, ServerListModel::CountryServerRole).toBool());
            QVERIFY(!model->data(index, ServerListModel::ServiceHeaderRole).toBool());
            QVERIFY(Server::stringIsUuid(model->data(index, ServerListModel::IdRole).toString()));
            QVERIFY(model->data(index, ServerListModel::NameRole).toString().isEmpty());
            QCOMPARE(model->attrBasicLabelText(row),
                     model->data(index, ServerListModel::CountryNameRole).toString());
            QCOMPARE(model->attrCountryFlagSource(row), flag(codes(model.get()).at(row)));
            QVERIFY(!model->attrFavoriteIconVisible(row));
            QVERIFY(model->attrExpandable(row));
        }
        QCOMPARE(model->sourceServerList(), m_servers);
    }

    void countryRowsOfOddCodes()
    {
        // Codes that differ only in case share a row; a code no locale knows keeps its own row.
        CheckedModel model(ServerListModel::AllServers);
        const Servers servers {Server("10.1.0.1", "US", "Denver", "us-den-1", "10.1.0.1", 1, 0, 0),
                               Server("10.1.0.2", "us", "Miami", "us-mia-1", "10.1.0.2", 1, 0, 0),
                               Server("10.1.0.3", "XQ", "Nowhere", "xq-now-1", "10.1.0.3", 1, 0, 0)};
        model->createServerList(servers);
        QCOMPARE(codes(model.get()), (QStringList {"xq", "us"}));
        model->expandCurrentItem(idOfCode(model.get(), "us"), true);
        model->expandCurrentItem(idOfCode(model.get(), "xq"), true);
        QCOMPARE(names(model.get()), (QStringList {"", "xq-now-1", "", "us-den-1", "us-mia-1"}));
    }

    void recentRows()
    {
        CheckedModel model(ServerListModel::RecentServers);
        Servers withPseudo = m_servers;
        withPseudo.prepend(Server("DE", QString()));
        model->createRecentServerList(withPseudo);
        QCOMPARE(model->sourceServerList(), m_servers);
        QCOMPARE(codes(model.get()), (QStringList {"*1", "*2"}));
        QCOMPARE(names(model.get()), (QStringList {"Favorite Servers", "Recent Servers"}));
        QCOMPARE(column(model.get(), ServerListModel::CountryNameRole),
                 (QStringList {"Favorite Servers", "Recent Servers"}));
        for (int row = 0; row < 2; ++row) {
            QVERIFY(model->data(model->index(row), ServerListModel::ServiceHeaderRole).toBool());
            QVERIFY(!model->data(model->index(row), ServerListModel::ServiceItemRole).toBool());
            QVERIFY(model->attrExpandable(row));
            QVERIFY(!model->attrFavoriteIconVisible(row));
            QCOMPARE(model->attrBasicLabelText(row), names(model.get()).at(row));
            QCOMPARE(model->attrCountryFlagSource(row), QString("qrc:/resources/icons/flags/unknown.png"));
        }
        QCOMPARE(model->recentMenuIndex(), 1);

        // Only the recent model takes a recent list.
        CheckedModel other(ServerListModel::AllServers);
        other->createRecentServerList(m_servers);
        QCOMPARE(other->rowCount(), 0);
    }

    void expandAndCollapse()
    {
        CheckedModel model(ServerListModel::AllServers);
        model->createServerList(m_servers);
        QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy state(model.get(), &ServerListModel::expandableStateChanged);
        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        const QString germany = idOfCode(model.get(), "de");

        for (int round = 0; round < 2; ++round) {
            model->expandCurrentItem(germany, true);
            QCOMPARE(names(model.get()),
                     (QStringList {"", "", "de-ber-1", "de-fra-1", "de-fra-2", "", "", "", "", ""}));
            QCOMPARE(inserted.count(), 1);
            QCOMPARE(state.count(), 1);
            QCOMPARE(state.first().at(0).toString(), germany);
            QCOMPARE(state.first().at(1).toBool(), true);
            QCOMPARE(changed.count(), 10);
        }
        // A server row of the All tab: city label, no flag, a favorite star, not expandable further.
        QCOMPARE(model->attrBasicLabelText(2), QString("Berlin"));
        QCOMPARE(model->attrCountryFlagSource(2), QString());
        QVERIFY(model->attrFavoriteIconVisible(2));
        QVERIFY(model->attrExpandable(2));
        QVERIFY(!model->data(model->index(2), ServerListModel::CountryServerRole).toBool());

        // The arrow area of a server row changes nothing.
        model->expandCurrentItem("10.0.0.1", false);
        model->expandCurrentItem("10.0.0.1", true);
        QCOMPARE(model->rowCount(), 10);
        QCOMPARE(state.count(), 1);

        for (int round = 0; round < 2; ++round) {
            model->expandCurrentItem(germany, false);
            QCOMPARE(model->rowCount(), 7);
            QCOMPARE(removed.count(), 1);
            QCOMPARE(state.count(), 2);
            QCOMPARE(state.last().at(1).toBool(), false);
        }

        model->expandAll();
        QCOMPARE(model->rowCount(), 7 + 12);
        QCOMPARE(state.count(), 2 + 7);
        QCOMPARE(names(model.get()).mid(0, 3), (QStringList {"", "fr-par-1", "fr-mrs-1"}));
        model->expandAll();
        QCOMPARE(state.count(), 2 + 7);
        model->collapseAll();
        QCOMPARE(model->rowCount(), 7);
        QCOMPARE(state.count(), 2 + 14);

        QTest::ignoreMessage(QtWarningMsg,
                             "ServerListModel: Can't find server 'nope' for expandable operation: 1");
        model->expandCurrentItem("nope", true);
        CheckedModel recommended(ServerListModel::Recommended);
        recommended->createServerList(m_servers);
        QTest::ignoreMessage(QtWarningMsg, "RecomendedServersModel: This model can't be expanded!");
        recommended->expandCurrentItem("10.0.0.1", true);
        recommended->expandAll();
        recommended->collapseAll();
        QCOMPARE(recommended->rowCount(), 12);
    }

    void search_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QStringList>("visibleAll");
        QTest::addColumn<QStringList>("visibleRecommended");

        const QStringList allRows {"fr",       "fr-par-1", "fr-mrs-1", "de",       "de-ber-1",
                                   "de-fra-1", "de-fra-2", "jp",       "jp-tyo-1", "nl",
                                   "nl-ams-1", "ch",       "ch-zrh-1", "gb",       "gb-lon-1",
                                   "us",       "us-nyc-1", "us-chi-1", "us-lax-1"};
        QStringList allServers;
        for (const Server &server : readFixture())
            allServers.append(server.name());
        QTest::newRow("empty") << QString() << allRows << allServers;
        QTest::newRow("blanks only") << "   \t " << allRows << allServers;
        QTest::newRow("city") << "frankfurt" << QStringList {"de", "de-fra-1", "de-fra-2"}
                              << QStringList {"de-fra-1", "de-fra-2"};
        QTest::newRow("country name, blanks collapsed")
            << "  united    states " << QStringList {"us", "us-nyc-1", "us-chi-1", "us-lax-1"}
            << QStringList {"us-nyc-1", "us-chi-1", "us-lax-1"};
        QTest::newRow("upper case name")
            << "GB-LON" << QStringList {"gb", "gb-lon-1"} << QStringList {"gb-lon-1"};
        QTest::newRow("nothing") << "atlantis" << QStringList() << QStringList();
    }
    void search()
    {
        QFETCH(QString, phrase);
        QFETCH(QStringList, visibleAll);
        QFETCH(QStringList, visibleRecommended);

        CheckedModel all(ServerListModel::AllServers);
        all->createServerList(m_servers);
        all->expandAll();
        QStringList visible;
        for (int row = 0; row < all->rowCount(); ++row) {
            if (all->attrVisible(row, phrase)) {
                const QString name = all->data(all->index(row), ServerListModel::NameRole).toString();
                visible.append(name.isEmpty() ? codes(all.get()).at(row) : name);
            }
        }
        QCOMPARE(visible, visibleAll);

        CheckedModel recommended(ServerListModel::Recommended);
        recommended->createServerList(m_servers);
        visible.clear();
        for (int row = 0; row < recommended->rowCount(); ++row) {
            if (recommended->attrVisible(row, phrase))
                visible.append(names(recommended.get()).at(row));
        }
        QCOMPARE(visible, visibleRecommended);
    }

    void searchEdges()
    {
        CheckedModel all(ServerListModel::AllServers);
        all->createServerList(m_servers);
        // A collapsed country row matches by its country name only.
        QVERIFY(all->attrVisible(rowOfCode(all.get(), "de"), "germ"));
        QVERIFY(!all->attrVisible(rowOfCode(all.get(), "de"), "berlin"));
        QTest::ignoreMessage(QtWarningMsg, "ServerListModel: Attr, out of index: 99");
        QVERIFY(all->attrVisible(99, "berlin"));
        QVERIFY(all->attrVisible(99, "  "));

        // Headers of the recent tab never hide.
        CheckedModel recent(ServerListModel::RecentServers);
        recent->createRecentServerList(m_servers);
        QVERIFY(recent->attrVisible(0, "atlantis"));
        QVERIFY(recent->attrVisible(1, "atlantis"));
    }

    void favoritesInRecentTab()
    {
        Settings::instance()->saveFavorite("de-ber-1", true);
        CheckedModel model(ServerListModel::RecentServers);
        model->createRecentServerList(m_servers);
        QVERIFY(Server::findServerByIp(model->sourceServerList(), "10.0.0.1").favorite());
        QVERIFY(!Server::findServerByIp(model->sourceServerList(), "10.0.0.2").favorite());

        const QString favoritesHeader = model->data(model->index(0), ServerListModel::IdRole).toString();
        model->expandCurrentItem(favoritesHeader, true);
        QCOMPARE(names(model.get()), (QStringList {"Favorite Servers", "de-ber-1", "Recent Servers"}));
        QVERIFY(model->data(model->index(1), ServerListModel::FavoriteRole).toBool());
        QVERIFY(model->data(model->index(1), ServerListModel::ServiceItemRole).toBool());
        QVERIFY(!model->attrExpandable(1));
        QCOMPARE(model->attrCountryFlagSource(1), flag("de"));
        QCOMPARE(model->attrBasicLabelText(1), QString("Berlin"));

        // Added while the header is expanded: right below it; removed again: gone.
        model->setFavorite("10.0.1.1", true);
        QCOMPARE(names(model.get()),
                 (QStringList {"Favorite Servers", "fr-par-1", "de-ber-1", "Recent Servers"}));
        QVERIFY(model->data(model->index(1), ServerListModel::FavoriteRole).toBool());
        model->setFavorite("10.0.1.1", true);
        QCOMPARE(model->rowCount(), 4);
        model->setFavorite("10.0.1.1", false);
        QCOMPARE(names(model.get()), (QStringList {"Favorite Servers", "de-ber-1", "Recent Servers"}));
        // Clearing a favorite that is not shown adds nothing.
        model->setFavorite("10.0.3.1", false);
        QCOMPARE(model->rowCount(), 3);
        QTest::ignoreMessage(QtInfoMsg, "RecentServersModel: Can't find server with IP '10.9.9.9'");
        model->setFavorite("10.9.9.9", true);
        QCOMPARE(model->rowCount(), 3);

        model->expandCurrentItem(favoritesHeader, false);
        QCOMPARE(names(model.get()), (QStringList {"Favorite Servers", "Recent Servers"}));
        // Collapsed: the flag changes, the rows do not.
        model->setFavorite("10.0.2.1", true);
        QCOMPARE(model->rowCount(), 2);
        model->expandCurrentItem(favoritesHeader, true);
        QCOMPARE(names(model.get()),
                 (QStringList {"Favorite Servers", "de-ber-1", "nl-ams-1", "Recent Servers"}));
    }

    void expandingEmptyFavoritesKeepsTheFlag()
    {
        CheckedModel model(ServerListModel::RecentServers);
        model->createRecentServerList(m_servers);
        QSignalSpy state(model.get(), &ServerListModel::expandableStateChanged);
        const QString header = model->data(model->index(0), ServerListModel::IdRole).toString();
        QTest::ignoreMessage(
            QtInfoMsg,
            qPrintable("RecentServersModel: Can't find servers for expandable operation, list is "
                       "empty for server '"
                       + header + "'"));
        model->expandCurrentItem(header, true);
        QCOMPARE(state.count(), 0);
        QCOMPARE(model->rowCount(), 2);

        // The section counts as expanded: a favorite added now shows up, a second expand is ignored.
        model->setFavorite("10.0.4.1", true);
        QCOMPARE(names(model.get()), (QStringList {"Favorite Servers", "jp-tyo-1", "Recent Servers"}));
        model->expandCurrentItem(header, true);
        QCOMPARE(model->rowCount(), 3);
    }

    void favoritesInOtherTabs()
    {
        Settings::instance()->saveFavorite("10.0.5.1", true); // older stored form: the address
        CheckedModel all(ServerListModel::AllServers);
        all->createServerList(m_servers);
        all->expandCurrentItem(idOfCode(all.get(), "gb"), true);
        const int london = names(all.get()).indexOf("gb-lon-1");
        QVERIFY(all->data(all->index(london), ServerListModel::FavoriteRole).toBool());

        QSignalSpy changed(all.get(), &QAbstractItemModel::dataChanged);
        all->setFavorite("10.0.5.1", false);
        QVERIFY(!all->data(all->index(london), ServerListModel::FavoriteRole).toBool());
        QCOMPARE(changed.count(), all->rowCount());
        QVERIFY(!Server::findServerByIp(all->sourceServerList(), "10.0.5.1").favorite());
        // A country is a favorite by its code, on its country row.
        Settings::instance()->saveFavorite("ch", true);
        all->createServerList(m_servers);
        QVERIFY(all->data(all->index(rowOfCode(all.get(), "ch")), ServerListModel::FavoriteRole).toBool());
    }

    void recentServers()
    {
        CheckedModel model(ServerListModel::RecentServers);
        model->createRecentServerList(m_servers);
        const QString recentsHeader = model->data(model->index(1), ServerListModel::IdRole).toString();

        // Collapsed: stored, not shown.
        model->appendRecentServer(m_servers.at(0));
        QCOMPARE(model->rowCount(), 2);
        model->expandCurrentItem(recentsHeader, true);
        QCOMPARE(names(model.get()), (QStringList {"Favorite Servers", "Recent Servers", "de-ber-1"}));

        for (int i : {3, 6, 9})
            model->appendRecentServer(m_servers.at(i));
        QCOMPARE(names(model.get()),
                 (QStringList {"Favorite Servers", "Recent Servers", "fr-par-1", "us-nyc-1", "jp-tyo-1"}));
        QCOMPARE(Settings::instance()->recentServersFromAllowedList(m_servers).size(), 3);
        QVERIFY(model->attrExpandable(1));
        QVERIFY(!model->attrExpandable(2));
        QVERIFY(model->attrFavoriteIconVisible(2));

        // An already recent server moves to the end.
        model->appendRecentServer(m_servers.at(3));
        QCOMPARE(names(model.get()).mid(2), (QStringList {"us-nyc-1", "jp-tyo-1", "fr-par-1"}));

        model->expandCurrentItem(recentsHeader, false);
        QCOMPARE(model->rowCount(), 2);

        // Another model's rebuild reads the stored list.
        CheckedModel again(ServerListModel::RecentServers);
        again->createRecentServerList(m_servers);
        again->expandAll();
        QCOMPARE(names(again.get()),
                 (QStringList {"Favorite Servers", "Recent Servers", "us-nyc-1", "jp-tyo-1", "fr-par-1"}));

        CheckedModel all(ServerListModel::AllServers);
        all->createServerList(m_servers);
        all->appendRecentServer(m_servers.at(11));
        QCOMPARE(Settings::instance()->recentServersFromAllowedList(m_servers).last().name(),
                 QString("fr-par-1"));
    }

    void currentServerForms_data()
    {
        QTest::addColumn<int>("feature");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("currentId");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("searchCode");

        const int rec = ServerListModel::Recommended;
        const int all = ServerListModel::AllServers;
        QTest::newRow("address") << rec << "10.0.3.2"
                                 << "10.0.3.2"
                                 << "10.0.3.2"
                                 << "US, Chicago" << QString();
        QTest::newRow("storage id") << rec << "us-chi-1"
                                    << "10.0.3.2"
                                    << "10.0.3.2"
                                    << "US, Chicago" << QString();
        QTest::newRow("storage id, countries shown") << all << "us-chi-1"
                                                     << "us-chi-1"
                                                     << "10.0.3.2"
                                                     << "US, Chicago" << QString();
        QTest::newRow("address, countries shown") << all << "10.0.6.1"
                                                  << "10.0.6.1"
                                                  << "10.0.6.1"
                                                  << "CH, Zurich" << QString();
        QTest::newRow("legacy index") << rec << "5"
                                      << "10.0.2.1"
                                      << "10.0.2.1"
                                      << "NL, Amsterdam" << QString();
        // Beyond the list the digits stay a name (a valid host), which names no server.
        QTest::newRow("legacy index beyond the list") << rec << "120"
                                                      << "120" << QString() << "Not selected" << QString();
        QTest::newRow("neither address nor name") << rec << "not a host!"
                                                  << "10.0.0.1"
                                                  << "10.0.0.1"
                                                  << "DE, Berlin" << QString();
        QTest::newRow("country code") << all << "JP" << ServerListModel::searchMarker << QString() << "Search"
                                      << "jp";
        QTest::newRow("country code, server rows")
            << rec << "fr" << ServerListModel::searchMarker << QString() << "Search"
            << "FR";
        QTest::newRow("unknown country")
            << all << "zz" << QString() << QString() << "Not selected" << QString();
        QTest::newRow("unknown name") << rec << "nowhere-9"
                                      << "nowhere-9" << QString() << "Not selected" << QString();
        QTest::newRow("unknown uuid")
            << all << QUuid::createUuid().toString() << QString() << QString() << "Not selected" << QString();
        QTest::newRow("empty") << rec << QString() << QString() << QString() << "Not selected" << QString();
    }
    void currentServerForms()
    {
        QFETCH(int, feature);
        QFETCH(QString, id);
        QFETCH(QString, currentId);
        QFETCH(QString, ip);
        QFETCH(QString, text);
        QFETCH(QString, searchCode);

        CheckedModel model(static_cast<ServerListModel::Feature>(feature));
        model->createServerList(m_servers, false);
        QSignalSpy search(model.get(), &ServerListModel::searchCountry);
        QSignalSpy ipChanged(model.get(), &ServerListModel::serverIpChanged);
        QSignalSpy textChanged(model.get(), &ServerListModel::locationTextChanged);
        QSignalSpy imageChanged(model.get(), &ServerListModel::locationImageSourceChanged);

        model->updateCurrentServer(id);
        QCOMPARE(model->currentServerId(), currentId);
        QCOMPARE(model->serverIp(), ip);
        QCOMPARE(model->locationText(), text);
        if (searchCode.isEmpty()) {
            QCOMPARE(search.count(), 0);
        } else {
            QCOMPARE(search.count(), 1);
            QCOMPARE(search.first().at(0).toString(), searchCode);
            QCOMPARE(search.first().at(1).toString(), flag(searchCode.toLower()));
        }
        // A server found is published; a country choice or nothing found publishes nothing.
        QCOMPARE(ipChanged.count(), ip.isEmpty() ? 0 : 1);
        QCOMPARE(textChanged.count(), ip.isEmpty() ? 0 : 1);
        QCOMPARE(imageChanged.count(), ip.isEmpty() ? 0 : 1);
        if (!ip.isEmpty()) {
            QCOMPARE(ipChanged.first().first().toString(), ip);
            QCOMPARE(textChanged.first().first().toString(), text);
            QCOMPARE(model->locationImageSource(), imageChanged.first().first().toString());
        }
    }

    void countryRowChosenByUuid()
    {
        CheckedModel model(ServerListModel::AllServers);
        model->createServerList(m_servers);
        QSignalSpy search(model.get(), &ServerListModel::searchCountry);
        QSignalSpy textChanged(model.get(), &ServerListModel::locationTextChanged);
        model->updateCurrentServer(idOfCode(model.get(), "nl"));
        QCOMPARE(search.count(), 1);
        QCOMPARE(search.first().at(0).toString(), QString("nl"));
        QCOMPARE(search.first().at(1).toString(), flag("nl"));
        QCOMPARE(model->currentServerId(), ServerListModel::searchMarker);
        QCOMPARE(model->locationText(), QString("Search"));
        QCOMPARE(model->locationImageSource(), QString());
        QCOMPARE(textChanged.count(), 0);
    }

    void savedCurrentServerAtBuild_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("currentId");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("text");
        QTest::newRow("address") << "10.0.1.2"
                                 << "10.0.1.2"
                                 << "10.0.1.2"
                                 << "FR, Marseille";
        QTest::newRow("storage id") << "fr-mrs-1"
                                    << "fr-mrs-1"
                                    << "10.0.1.2"
                                    << "FR, Marseille";
        QTest::newRow("legacy index") << "5"
                                      << "10.0.2.1"
                                      << "10.0.2.1"
                                      << "NL, Amsterdam";
        QTest::newRow("country") << "nl" << ServerListModel::searchMarker << QString() << "Search";
    }
    void savedCurrentServerAtBuild()
    {
        QFETCH(QString, saved);
        QFETCH(QString, currentId);
        QFETCH(QString, ip);
        QFETCH(QString, text);
        Settings::instance()->setCurrentServerId(saved);
        CheckedModel model(ServerListModel::AllServers);
        QSignalSpy ipChanged(model.get(), &ServerListModel::serverIpChanged);
        QSignalSpy search(model.get(), &ServerListModel::searchCountry);
        model->createServerList(m_servers);
        QCOMPARE(model->currentServerId(), currentId);
        QCOMPARE(model->serverIp(), ip);
        QCOMPARE(model->locationText(), text);
        QCOMPARE(search.count(), ip.isEmpty() ? 1 : 0);
        QCOMPARE(ipChanged.count(), ip.isEmpty() ? 0 : 1);
        if (!ip.isEmpty())
            QCOMPARE(ipChanged.first().first().toString(), ip);
    }

    // The last published choice is shared: the same server chosen in two models is announced once.
    void serverIpAnnouncedOnceAcrossModels()
    {
        CheckedModel recommended(ServerListModel::Recommended);
        CheckedModel all(ServerListModel::AllServers);
        recommended->createServerList(m_servers);
        all->createServerList(m_servers);
        QSignalSpy first(recommended.get(), &ServerListModel::serverIpChanged);
        QSignalSpy second(all.get(), &ServerListModel::serverIpChanged);
        QSignalSpy secondText(all.get(), &ServerListModel::locationTextChanged);

        recommended->updateCurrentServer("10.0.4.1");
        all->updateCurrentServer("jp-tyo-1");
        QCOMPARE(first.count(), 1);
        QCOMPARE(second.count(), 0);
        QCOMPARE(secondText.count(), 0);
        QCOMPARE(all->serverIp(), QString("10.0.4.1"));

        all->updateCurrentServer("10.0.4.1", false);
        all->updateCurrentServer("10.0.5.1", false);
        QCOMPARE(second.count(), 0);
        all->updateCurrentServer("10.0.5.1");
        QCOMPARE(second.count(), 1);
        QCOMPARE(second.first().first().toString(), QString("10.0.5.1"));
    }

    // A country chosen in between makes the same server a new choice again.
    void serverAnnouncedAgainAfterACountry()
    {
        CheckedModel recommended(ServerListModel::Recommended);
        CheckedModel all(ServerListModel::AllServers);
        recommended->createServerList(m_servers);
        all->createServerList(m_servers);
        QSignalSpy ipChanged(recommended.get(), &ServerListModel::serverIpChanged);
        QSignalSpy search(all.get(), &ServerListModel::searchCountry);

        recommended->updateCurrentServer("10.0.4.1");
        all->updateCurrentServer("jp");
        QCOMPARE(search.count(), 1);
        recommended->updateCurrentServer("10.0.4.1");
        QCOMPARE(ipChanged.count(), 2);
        QCOMPARE(ipChanged.last().first().toString(), QString("10.0.4.1"));
    }

    void forceEmitAtFirstBuild_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<bool>("forced");
        QTest::newRow("storage id") << "us-chi-1" << true;
        QTest::newRow("address") << "10.0.3.2" << true;
        QTest::newRow("country code") << "us" << false;
        QTest::newRow("empty") << QString() << false;
    }
    void forceEmitAtFirstBuild()
    {
        QFETCH(QString, saved);
        QFETCH(bool, forced);
        // Chicago was already published: the lookup stays silent.
        ServerListModel publisher(ServerListModel::Recommended);
        publisher.createServerList(m_servers, false);
        publisher.updateCurrentServer("10.0.3.2");

        Settings::instance()->setCurrentServerId(saved);
        CheckedModel model(ServerListModel::AllServers);
        QSignalSpy ipChanged(model.get(), &ServerListModel::serverIpChanged);
        if (forced)
            QTest::ignoreMessage(QtInfoMsg, qPrintable("ServerListModel: Force emit notification: " + saved));
        model->createServerList(m_servers);
        QCOMPARE(ipChanged.count(), forced ? 1 : 0);
        if (forced)
            QCOMPARE(ipChanged.first().first().toString(), saved);

        // Only the All tab forces it.
        CheckedModel recommended(ServerListModel::Recommended);
        QSignalSpy recommendedIp(recommended.get(), &ServerListModel::serverIpChanged);
        recommended->createServerList(m_servers);
        QCOMPARE(recommendedIp.count(), 0);
    }

    void noForceEmitAfterAnAnnouncement()
    {
        Settings::instance()->setCurrentServerId("us-chi-1");
        CheckedModel model(ServerListModel::AllServers);
        QSignalSpy ipChanged(model.get(), &ServerListModel::serverIpChanged);
        model->createServerList(m_servers);
        QCOMPARE(ipChanged.count(), 1);
        QCOMPARE(ipChanged.first().first().toString(), QString("10.0.3.2"));
    }

    void recommendedFromPingResults_data()
    {
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("one per country")
            << QStringList {"10.0.0.3:12", "10.0.0.1:13", "10.0.0.2:20", "10.0.1.2:25"}
            << QStringList {"de-fra-2", "fr-mrs-1"};
        QTest::newRow("unknown skipped")
            << QStringList {"192.0.2.1:1", "garbage", "", ":5", "10.0.4.1:30"} << QStringList {"jp-tyo-1"};
        QTest::newRow("none") << QStringList() << QStringList();
    }
    void recommendedFromPingResults()
    {
        QFETCH(QStringList, results);
        QFETCH(QStringList, expected);
        QStringList got;
        for (const Server &server : ServerListModel::fastestPerCountry(m_servers, results))
            got.append(server.name());
        QCOMPARE(got, expected);
    }

    void recommendedAtMostEight()
    {
        Servers servers;
        QStringList results;
        const QStringList countries {"AT", "BE", "CZ", "DK", "EE", "FI", "GR", "HU", "IE", "IT"};
        for (int i = 0; i < countries.size(); ++i) {
            const QString ip = QString("10.2.0.%1").arg(i + 1);
            servers.append(Server(ip, countries.at(i), "City", "srv-" + QString::number(i), ip, 1, 0, 0));
            results.append(ip + ":" + QString::number(10 + i));
        }
        servers.append(Server("10.2.1.1", "at", "Graz", "at-grz", "10.2.1.1", 1, 0, 0));
        results.prepend("10.2.1.1:5");
        const Servers fastest = ServerListModel::fastestPerCountry(servers, results);
        QCOMPARE(fastest.size(), 8);
        QCOMPARE(fastest.first().name(), QString("at-grz"));
        QCOMPARE(fastest.at(1).name(), QString("srv-1"));
        QCOMPARE(fastest.last().name(), QString("srv-7"));
    }

    void removeRowsBounds()
    {
        CheckedModel model(ServerListModel::Recommended);
        QVERIFY(!model->removeRows(0, 1));
        model->createServerList(m_servers.mid(0, 4));
        QVERIFY(!model->removeRows(4, 1));
        QVERIFY(!model->removeRows(0, 0));
        QVERIFY(!model->removeRows(-1, 1));
        QVERIFY(model->removeRows(1, 2));
        QCOMPARE(names(model.get()), (QStringList {"de-ber-1", "fr-par-1"}));
        QVERIFY(model->removeRows(1, 10));
        QCOMPARE(names(model.get()), (QStringList {"de-ber-1"}));
        QCOMPARE(model->findServerIndexById("10.0.0.1"), 0);
        QCOMPARE(model->findServerIndexById("10.0.0.2"), -1);
        QCOMPARE(model->findServerIndexByIdInAllServers("de-fra-2"), 2);
        QCOMPARE(model->findServerIndexByIdInAllServers("10.0.1.1"), 3);
        QCOMPARE(model->recentMenuIndex(), -1);
    }
};

int main(int argc, char *argv[])
{
    // The settings live in a home of their own, never the user's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QGuiApplication application(argc, argv);
    TestServerListModel test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_serverlistmodel.moc"
