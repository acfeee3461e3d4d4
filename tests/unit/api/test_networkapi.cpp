#include "networkapi.h"

#include <QtTest>

// The reply parsers and the credentials text; the requests themselves are
// tested against a local HTTPS server in the integration tests.
class TestNetworkApi : public QObject
{
    Q_OBJECT

private slots:
    void feed();
    void feedBrokenOffKeepsServersReadSoFar();
    void serverSelection_data();
    void serverSelection();
    void feedWrappers_data();
    void feedWrappers();
    void malformedFeed_data();
    void malformedFeed();
    void geoIp_data();
    void geoIp();
    void account_data();
    void account();
    void jsonServerList();
    void basicAuthorization_data();
    void basicAuthorization();
    void userNamesThatNameNoAccount_data();
    void userNamesThatNameNoAccount();

private:
    NetworkApi m_api;
};

namespace {
QString fixture(const QString &name)
{
    QFile file(QStringLiteral(VPN_TEST_DATA_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QStringList ips(const Servers &servers)
{
    return Server::serverList(servers);
}

QString oneServerFeed(const QString &attributes)
{
    return QStringLiteral("<brixoserverList><server ip=\"192.0.2.1\" country=\"DE\" city=\"Berlin\" "
                          "name=\"de-be-1\" capacity=\"7\" %1/></brixoserverList>")
        .arg(attributes);
}
} // namespace

void TestNetworkApi::feed()
{
    const QString text = fixture(QStringLiteral("feed.xml"));
    QVERIFY(!text.isEmpty());
    QTest::ignoreMessage(QtWarningMsg, "NetworkApi: Duplicate server detected: 'US, New York'");
    QTest::ignoreMessage(QtWarningMsg, "NetworkApi: Not available servers: NL, Amsterdam (0.00)");
    const Servers servers = m_api.xmlToServerList(text);

    // Grouped by lower-cased country code, by city inside a group.
    QCOMPARE(
        ips(servers),
        QStringList({"198.51.100.17", "198.51.100.12", "198.51.100.11", "198.51.100.16", "198.51.100.10"}));
    const Server newYork = servers.last();
    QCOMPARE(newYork.id(), QStringLiteral("198.51.100.10"));
    QCOMPARE(newYork.countryCode(), QStringLiteral("US"));
    QCOMPARE(newYork.city(), QStringLiteral("New York"));
    QCOMPARE(newYork.name(), QStringLiteral("us-ny-1"));
    QCOMPARE(newYork.capacity(), 100);
    QCOMPARE(newYork.cpu(), 12.5f);
    QCOMPARE(newYork.apiServerId(), 0);
    QVERIFY(!newYork.countryServer());
    QVERIFY(!newYork.favorite());
}

void TestNetworkApi::feedBrokenOffKeepsServersReadSoFar()
{
    QTest::ignoreMessage(QtCriticalMsg,
                         QRegularExpression(QStringLiteral("^NetworkApi: Cannot parse XML: .+")));
    const Servers servers = m_api.xmlToServerList(fixture(QStringLiteral("feed-broken.xml")));
    // Feed order, not sorted; the unavailable one is still left out.
    QCOMPARE(ips(servers), QStringList({"198.51.100.10", "198.51.100.12"}));
}

void TestNetworkApi::serverSelection_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<bool>("taken");
    QTest::newRow("visible and active") << "visible=\"1\" status=\"1\" cpu=\"5\"" << true;
    QTest::newRow("hidden but active") << "visible=\"0\" status=\"1\" cpu=\"5\"" << true;
    QTest::newRow("visible but inactive") << "visible=\"1\" status=\"0\" cpu=\"5\"" << true;
    QTest::newRow("hidden and inactive") << "visible=\"0\" status=\"0\" cpu=\"5\"" << false;
    QTest::newRow("neither attribute") << "cpu=\"5\"" << false;
    QTest::newRow("words read as 0") << "visible=\"yes\" status=\"on\" cpu=\"5\"" << false;
    QTest::newRow("other number") << "visible=\"2\" status=\"0\" cpu=\"5\"" << true;
    QTest::newRow("cpu 0.00") << "visible=\"1\" cpu=\"0.00\"" << false;
    QTest::newRow("cpu 0") << "visible=\"1\" cpu=\"0\"" << true;
    QTest::newRow("cpu 0.0") << "visible=\"1\" cpu=\"0.0\"" << true;
    QTest::newRow("cpu 0.000") << "visible=\"1\" cpu=\"0.000\"" << true;
    QTest::newRow("cpu empty") << "visible=\"1\" cpu=\"\"" << true;
    QTest::newRow("cpu missing") << "visible=\"1\"" << true;
    QTest::newRow("cpu not a number") << "visible=\"1\" cpu=\"busy\"" << true;
}

void TestNetworkApi::serverSelection()
{
    QFETCH(QString, attributes);
    QFETCH(bool, taken);
    if (attributes.contains(QLatin1String("\"0.00\"")))
        QTest::ignoreMessage(QtWarningMsg, "NetworkApi: Not available servers: DE, Berlin (0.00)");
    const Servers servers = m_api.xmlToServerList(oneServerFeed(attributes));
    QCOMPARE(servers.size(), taken ? 1 : 0);
    if (taken)
        QCOMPARE(servers.first().ip(), QStringLiteral("192.0.2.1"));
}

void TestNetworkApi::feedWrappers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    const QString server
        = QStringLiteral("<server visible=\"1\" ip=\"192.0.2.%1\" country=\"DE\" city=\"C%1\"/>");
    QTest::newRow("other root") << QStringLiteral("<list>%1</list>").arg(server.arg(1))
                                << QStringList {"192.0.2.1"};
    QTest::newRow("nested deeply")
        << QStringLiteral("<brixoserverList><a><b><c>%1</c></b></a></brixoserverList>").arg(server.arg(1))
        << QStringList {"192.0.2.1"};
    QTest::newRow("server inside server")
        << QStringLiteral("<brixoserverList><server visible=\"1\" ip=\"192.0.2.2\" "
                          "country=\"DE\" city=\"C2\">%1</server></brixoserverList>")
               .arg(server.arg(1))
        << QStringList {"192.0.2.1", "192.0.2.2"};
    QTest::newRow("names are case-sensitive")
        << QStringLiteral("<brixoserverList><SERVER visible=\"1\" ip=\"192.0.2.9\"/>%1</brixoserverList>")
               .arg(server.arg(1))
        << QStringList {"192.0.2.1"};
    QTest::newRow("root alone") << QStringLiteral("<brixoserverList/>") << QStringList();
    QTest::newRow("character references")
        << QStringLiteral("<brixoserverList><server visible=\"1\" ip=\"192.0.2.1\" "
                          "country=\"DE\" city=\"K&#246;ln &amp; Bonn\"/>"
                          "</brixoserverList>")
        << QStringList {"192.0.2.1"};
}

void TestNetworkApi::feedWrappers()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(ips(m_api.xmlToServerList(text)), expected);
}

void TestNetworkApi::malformedFeed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("servers");
    const QString server
        = QStringLiteral("<server visible=\"1\" ip=\"192.0.2.1\" country=\"DE\" city=\"Berlin\"/>");
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("not xml") << QStringLiteral("{\"data\": []}") << 0;
    QTest::newRow("html error page") << QStringLiteral(
        "<html><body><h1>502 Bad Gateway</h1><hr></body></html>")
                                     << 0;
    QTest::newRow("doctype")
        << QStringLiteral("<!DOCTYPE brixoserverList><brixoserverList>%1</brixoserverList>").arg(server) << 0;
    QTest::newRow("entity expansion")
        << QStringLiteral("<!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                          "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                          "<l><server visible=\"1\" ip=\"192.0.2.1\" city=\"&b;\"/></l>")
        << 0;
    QTest::newRow("external entity") << QStringLiteral(
        "<!DOCTYPE l [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<l><server visible=\"1\" ip=\"192.0.2.1\" city=\"&x;\"/></l>")
                                     << 0;
    QTest::newRow("undeclared entity after a server")
        << QStringLiteral("<l>%1<server visible=\"1\" ip=\"192.0.2.2\" city=\"&x;\"/></l>").arg(server) << 1;
    QTest::newRow("two roots") << QStringLiteral("<l>%1</l><l>%1</l>").arg(server) << 1;
    QTest::newRow("control character")
        << QStringLiteral("<l>%1<server visible=\"1\" ip=\"\x01\"/></l>").arg(server) << 1;
}

void TestNetworkApi::malformedFeed()
{
    QFETCH(QString, text);
    QFETCH(int, servers);
    QTest::ignoreMessage(QtCriticalMsg,
                         QRegularExpression(QStringLiteral("^NetworkApi: Cannot parse XML: .+")));
    QCOMPARE(m_api.xmlToServerList(text).size(), servers);
}

void TestNetworkApi::geoIp_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("countryCode");
    const QString untouched = QStringLiteral("untouched");
    QTest::newRow("usual") << QByteArray(R"({"data":{"ip":"203.0.113.5","iso_code":"DE","city":"Berlin"}})")
                           << true << "203.0.113.5"
                           << "DE";
    QTest::newRow("empty object") << QByteArray("{}") << true << ""
                                  << "";
    QTest::newRow("array") << QByteArray(R"([{"data":{"ip":"203.0.113.5"}}])") << true << ""
                           << "";
    QTest::newRow("data not an object") << QByteArray(R"({"data":"203.0.113.5"})") << true << ""
                                        << "";
    QTest::newRow("number as text") << QByteArray(R"({"data":{"ip":7,"iso_code":null}})") << true << "7"
                                    << "";
    QTest::newRow("html") << QByteArray("<html>502</html>") << false << untouched << untouched;
    QTest::newRow("empty body") << QByteArray() << false << untouched << untouched;
    QTest::newRow("cut off") << QByteArray(R"({"data":{"ip":"203.0)") << false << untouched << untouched;
    QTest::newRow("invalid utf-8") << QByteArray("{\"data\":{\"ip\":\"\xff\xfe\"}}") << false << untouched
                                   << untouched;
    QTest::newRow("deeply nested") << QByteArray(100000, '[') + QByteArray(100000, ']') << false << untouched
                                   << untouched;
    // Repeated names are refused: Qt's parser would lose memory on them.
    QTest::newRow("repeated name") << QByteArray(
        R"({"data":{"ip":"203.0.113.5"},"data":{"ip":"203.0.113.6"}})")
                                   << false << untouched << untouched;
    QTest::newRow("repeated escaped name")
        << QByteArray(R"({"data":{"ip":[1]},"d\u0061ta":{"ip":"x"}})") << false << untouched << untouched;
    QTest::newRow("repeated name inside")
        << QByteArray(R"({"data":{"ip":"1","iso_code":"DE","ip":"2"}})") << false << untouched << untouched;
    QTest::newRow("same name in two objects") << QByteArray(
        R"({"data":{"ip":"203.0.113.5","iso_code":"SE"},"other":{"ip":"x","data":[{"ip":1},{"ip":2}]}})")
                                              << true << "203.0.113.5"
                                              << "SE";
    QTest::newRow("name-like values")
        << QByteArray(R"({"data":{"ip":"ip","iso_code":"data, \"ip\": 1"}})") << true << "ip"
        << "data, \"ip\": 1";
    QTest::newRow("trailing garbage") << QByteArray(R"({"data":{}} {)") << false << untouched << untouched;
}

void TestNetworkApi::geoIp()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, parsed);
    QFETCH(QString, ip);
    QFETCH(QString, countryCode);
    if (!parsed)
        QTest::ignoreMessage(
            QtCriticalMsg,
            QRegularExpression(QStringLiteral("^NetworkApi: Cannot parse JSON document. Error: '.+'$")));
    QString resultIp = QStringLiteral("untouched");
    QString resultCode = QStringLiteral("untouched");
    QCOMPARE(m_api.jsonToGeoIp(body, resultIp, resultCode), parsed);
    QCOMPARE(resultIp, ip);
    QCOMPARE(resultCode, countryCode);
}

void TestNetworkApi::account_data()
{
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<quint64>("expected");
    QTest::newRow("number") << QByteArray("4711") << quint64(4711);
    QTest::newRow("digits as text") << QByteArray("\"4711\"") << quint64(4711);
    QTest::newRow("largest as text") << QByteArray("\"18446744073709551615\"")
                                     << quint64(18446744073709551615ULL);
    QTest::newRow("too large as text") << QByteArray("\"18446744073709551616\"") << quint64(0);
    QTest::newRow("letters") << QByteArray("\"abc\"") << quint64(0);
    QTest::newRow("negative") << QByteArray("-3") << quint64(0);
    QTest::newRow("fraction") << QByteArray("1.5") << quint64(0);
    QTest::newRow("null") << QByteArray("null") << quint64(0);
    QTest::newRow("object") << QByteArray("{}") << quint64(0);
}

void TestNetworkApi::account()
{
    QFETCH(QByteArray, id);
    QFETCH(quint64, expected);
    const QByteArray body = R"({"data":{"id":)" + id
        + R"(,"username":"alice","status":"Active",)"
          R"("updated":"2026-01-02 10:00:00","created":"2025-01-01",)"
          R"("wg_ip":"10.66.0.2","wg_private_key":"cHJpdmF0ZQ==",)"
          R"("wg_public_key":"the-clients-own-key"}})";
    const Account account = m_api.apiJsonToAccount(body);
    QCOMPARE(account.id(), expected);
    QCOMPARE(account.isValid(), expected != 0);
    QCOMPARE(account.userName(), QStringLiteral("alice"));
    QCOMPARE(account.status(), QStringLiteral("Active"));
    QCOMPARE(account.updated(), QStringLiteral("2026-01-02 10:00:00"));
    QCOMPARE(account.created(), QStringLiteral("2025-01-01"));
    QCOMPARE(account.wgIp(), QStringLiteral("10.66.0.2"));
    QCOMPARE(account.wgPrivateKey(), QStringLiteral("cHJpdmF0ZQ=="));
    QCOMPARE(account.wgPublicKey(), Account::fixedPeerPublicKey());

    // What is not an account object gives the default account.
    QVERIFY(!m_api.apiJsonToAccount(R"({"data":[1,2]})").isValid());
    QVERIFY(!m_api.apiJsonToAccount("[]").isValid());
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("^NetworkApi: Cannot parse JSON")));
    QCOMPARE(m_api.apiJsonToAccount("Unauthorized").id(), quint64(0));
}

void TestNetworkApi::jsonServerList()
{
    const QByteArray body = R"({"data":[
        {"status":true,"visible":false,"ip":"192.0.2.2","country_code":"SE","city":"SE Malmo","name":"se-ma-1",
         "capacity":9,"cpu":0,"id":12},
        {"status":false,"visible":false,"ip":"192.0.2.3","country_code":"SE","city":"Lund","cpu":5,"id":13},
        {"status":false,"visible":true,"ip":"192.0.2.4","country_code":"DE","city":"Bonn","cpu":"0.00","id":14},
        {"status":1,"visible":0,"ip":"192.0.2.1","country_code":"AT","city":"Wien","cpu":"0.0","id":"15"},
        "not an object"
    ]})";
    QTest::ignoreMessage(QtWarningMsg, "NetworkApi: Server 'DE, Bonn' is not available, value '0.00'");
    const Servers servers = m_api.apiJsonToServerList(body);
    // Reply order, a numeric cpu of zero counts as available.
    QCOMPARE(ips(servers), QStringList({"192.0.2.2", "192.0.2.1"}));
    QCOMPARE(servers.first().apiServerId(), 12);
    QCOMPARE(servers.first().city(), QStringLiteral("Malmo"));
    QCOMPARE(servers.first().capacity(), 9);
    QCOMPARE(servers.last().apiServerId(), 15);

    QVERIFY(m_api.apiJsonToServerList(R"({"data":{}})").isEmpty());
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("^NetworkApi: Cannot parse JSON")));
    QVERIFY(m_api.apiJsonToServerList("<xml/>").isEmpty());
}

void TestNetworkApi::basicAuthorization_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("text");
    QTest::newRow("usual") << "alice"
                           << "s3cret"
                           << "Basic YWxpY2U6czNjcmV0";
    QTest::newRow("empty password") << "alice"
                                    << ""
                                    << "Basic YWxpY2U6";
    QTest::newRow("colon in password") << "alice"
                                       << "a:b"
                                       << "Basic YWxpY2U6YTpi";
    QTest::newRow("percent signs") << "%2%1"
                                   << "%1"
                                   << "Basic JTIlMTolMQ==";
    QTest::newRow("utf-8") << QString::fromUtf8("jürgen") << QString::fromUtf8("pä")
                           << "Basic asO8cmdlbjpww6Q=";
}

void TestNetworkApi::basicAuthorization()
{
    QFETCH(QString, userName);
    QFETCH(QString, password);
    QFETCH(QString, text);
    QCOMPARE(NetworkApi::basicAuthorization(userName, password), text);
}

void TestNetworkApi::userNamesThatNameNoAccount_data()
{
    QTest::addColumn<QString>("userName");
    QTest::newRow("empty") << "";
    QTest::newRow("dot") << ".";
    QTest::newRow("two dots") << "..";
}

// These names would lead to the accounts themselves or above them: nothing is
// sent and the request ends as failed, with the default account.
void TestNetworkApi::userNamesThatNameNoAccount()
{
    QFETCH(QString, userName);
    NetworkApi api;
    QSignalSpy account(&api, &NetworkApi::apiRequestAccountFinished);
    QTest::ignoreMessage(QtInfoMsg, "NetworkApi: Request wireguard data");
    QTest::ignoreMessage(
        QtWarningMsg,
        qPrintable(QStringLiteral("NetworkApi: No account for the user name '%1'").arg(userName)));
    api.apiRequestWireguardData(userName, QStringLiteral("pw"));
    QVERIFY(api.findChildren<QObject *>().isEmpty());
    QVERIFY(account.wait());
    QCOMPARE(account.first().first().value<Account>().id(), quint64(0));
}

QTEST_GUILESS_MAIN(TestNetworkApi)
#include "test_networkapi.moc"
