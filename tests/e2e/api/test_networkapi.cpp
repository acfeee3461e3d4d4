#include "networkapi.h"
#include "vpnclientapi.h"

#include <QtTest>

// The API client against the lab: the deployment's own addresses, the lab's
// name resolution and CA, the lab's feed, geo-IP table and accounts.
class TestNetworkApiLab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void firstServerList();
    void publicIpAddress();
    void account_data();
    void account();
};

void TestNetworkApiLab::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("VPNLAB"))
        QSKIP("runs only inside the lab (lab/exec)");
}

void TestNetworkApiLab::firstServerList()
{
    NetworkApi api;
    QSignalSpy spy(&api, &NetworkApi::requestServerListFinished);
    api.requestServerList();
    QVERIFY(spy.wait(NetworkApi::requestTimeout + 5000));
    const Servers servers = spy.first().first().value<Servers>();
    QVERIFY2(!servers.isEmpty(), "the lab's feed gave no servers");

    const Server newYork = Server::findServerByIp(servers, QStringLiteral("10.200.1.1"));
    QCOMPARE(newYork.city(), QStringLiteral("New York"));
    QCOMPARE(newYork.name(), QStringLiteral("us-nyc-1.vpnlab.test"));
    // Listed twice in the feed, taken once.
    QCOMPARE(servers.count(Server::findServerByIp(servers, QStringLiteral("10.200.2.1"))), 1);
    // Hidden but active: taken; cpu "0.00": dropped; hidden and inactive: skipped.
    QVERIFY(Server::findServerByIp(servers, QStringLiteral("10.200.3.2")).isValid());
    QVERIFY(!Server::findServerByIp(servers, QStringLiteral("10.200.6.1")).isValid());
    QVERIFY(!Server::findServerByIp(servers, QStringLiteral("10.200.7.1")).isValid());
    // Grouped by country.
    QStringList codes;
    for (const Server &server : servers) {
        const QString code = server.countryCode().toLower();
        if (codes.isEmpty() || codes.last() != code)
            codes.append(code);
    }
    QCOMPARE(codes, Server::allCountryCodes(servers));
}

void TestNetworkApiLab::publicIpAddress()
{
    NetworkApi api;
    QSignalSpy spy(&api, &NetworkApi::requestCurrentIpAddressFinished);
    api.requestCurrentIpAddress();
    QVERIFY(spy.wait(NetworkApi::requestTimeout + 5000));
    // The lab's geo-IP table: the client's own address, or, while a tunnel of
    // another test is up, the address of the server that carries it.
    const QHash<QString, QString> countries {
        {"192.168.77.2", "CA"}, {"10.200.1.1", "US"}, {"10.200.1.2", "US"}, {"10.200.2.1", "DE"},
        {"10.200.2.2", "DE"},   {"10.200.3.1", "NL"}, {"10.200.3.2", "NL"}, {"10.200.4.1", "IE"},
        {"10.200.5.1", "JP"},   {"10.200.6.1", "CH"}};
    const QString ip = spy.first().at(0).toString();
    QVERIFY2(countries.contains(ip), qPrintable(ip));
    QCOMPARE(spy.first().at(1).toString(), countries.value(ip));
}

void TestNetworkApiLab::account_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("wgIp");
    QTest::addColumn<bool>("valid");
    QTest::newRow("usual") << "alice"
                           << "alice-pass"
                           << "10.66.66.2" << true;
    QTest::newRow("blank in the name") << "carol smith"
                                       << "carol-pass"
                                       << "10.66.66.4" << true;
    QTest::newRow("slash in the name") << "dave/ops"
                                       << "dave \"ops\" \\pass"
                                       << "10.66.66.5" << true;
    QTest::newRow("disabled") << "bob"
                              << "bob-pass"
                              << "10.66.66.3" << false;
    QTest::newRow("wrong password") << "alice"
                                    << "wrong"
                                    << "" << false;
    QTest::newRow("unknown user") << "mallory"
                                  << "x"
                                  << "" << false;
}

void TestNetworkApiLab::account()
{
    QFETCH(QString, userName);
    QFETCH(QString, password);
    QFETCH(QString, wgIp);
    QFETCH(bool, valid);
    NetworkApi api;
    QSignalSpy spy(&api, &NetworkApi::apiRequestAccountFinished);
    api.apiRequestWireguardData(userName, password);
    QVERIFY(spy.wait(NetworkApi::requestTimeout + 5000));
    const Account account = spy.first().first().value<Account>();
    QCOMPARE(account.isValid(), valid);
    QCOMPARE(account.wgIp(), wgIp);
    if (!wgIp.isEmpty()) {
        QCOMPARE(account.userName(), userName);
        QVERIFY(!account.wgPrivateKey().isEmpty());
        QCOMPARE(account.wgPublicKey(), Account::fixedPeerPublicKey());
    }
}

QTEST_GUILESS_MAIN(TestNetworkApiLab)
#include "test_networkapi.moc"
