#include "buildconfig.h"
#include "vpnclientapi.h"

#include <QUrl>
#include <QtTest>

class TestVpnClientApi : public QObject
{
    Q_OBJECT

private slots:
    void addresses();
    void accountAddressKeepsTheUserNameInOneSegment_data();
    void accountAddressKeepsTheUserNameInOneSegment();
    void hostOverride();
    void maskedUrl_data();
    void maskedUrl();
};

void TestVpnClientApi::addresses()
{
    const QString host = QString::fromLatin1(BuildConfig::apiHost);
    QVERIFY(!host.isEmpty());
    QCOMPARE(VpnClientApi::server(), host);
    QCOMPARE(VpnClientApi::geoIp(), QStringLiteral("https://%1/v3/geoip").arg(host));
    QCOMPARE(VpnClientApi::serverList(), QStringLiteral("https://%1/feeds/serverinfo.xml").arg(host));
    QCOMPARE(VpnClientApi::apiWireguardData(QString()),
             QStringLiteral("https://%1/v3_1/private/accounts").arg(host));
    QCOMPARE(VpnClientApi::apiWireguardData(QStringLiteral("alice")),
             QStringLiteral("https://%1/v3_1/private/accounts/alice").arg(host));
    QCOMPARE(VpnClientApi::dns(), QStringLiteral("172.16.0.1"));
    QCOMPARE(VpnClientApi::apiKey(), QString::fromLatin1(BuildConfig::apiToken));
}

void TestVpnClientApi::accountAddressKeepsTheUserNameInOneSegment_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("lastSegment");
    QTest::newRow("plain") << "alice"
                           << "alice";
    QTest::newRow("slash") << "alice/../../v3/geoip"
                           << "alice%2F..%2F..%2Fv3%2Fgeoip";
    QTest::newRow("query") << "alice?admin=1"
                           << "alice%3Fadmin%3D1";
    QTest::newRow("fragment") << "alice#x"
                              << "alice%23x";
    QTest::newRow("blank") << "alice smith"
                           << "alice%20smith";
    QTest::newRow("percent") << "alice%2Fbob"
                             << "alice%252Fbob";
    QTest::newRow("e-mail") << "alice+vpn@example.org"
                            << "alice%2Bvpn%40example.org";
    QTest::newRow("non-ascii") << QString::fromUtf8("jürgen") << "j%C3%BCrgen";
}

void TestVpnClientApi::accountAddressKeepsTheUserNameInOneSegment()
{
    QFETCH(QString, userName);
    QFETCH(QString, lastSegment);
    const QString address = VpnClientApi::apiWireguardData(userName);
    const QUrl url(address, QUrl::TolerantMode);
    QVERIFY(url.isValid());
    QCOMPARE(url.host(), VpnClientApi::server());
    QCOMPARE(url.path(QUrl::FullyEncoded), QStringLiteral("/v3_1/private/accounts/") + lastSegment);
    QVERIFY(!url.hasQuery());
    QVERIFY(!url.hasFragment());
    QCOMPARE(url.path(QUrl::FullyDecoded), QStringLiteral("/v3_1/private/accounts/") + userName);
    QCOMPARE(VpnClientApi::maskedUrl(url.toString()), QStringLiteral("API Accounts URL"));
}

void TestVpnClientApi::hostOverride()
{
    VpnClientApi::setHostOverride(QStringLiteral("127.0.0.1:4433"));
    QCOMPARE(VpnClientApi::geoIp(), QStringLiteral("https://127.0.0.1:4433/v3/geoip"));
    QCOMPARE(VpnClientApi::serverList(), QStringLiteral("https://127.0.0.1:4433/feeds/serverinfo.xml"));
    VpnClientApi::setHostOverride(QString());
    QCOMPARE(VpnClientApi::server(), QString::fromLatin1(BuildConfig::apiHost));
}

void TestVpnClientApi::maskedUrl_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("masked");
    QTest::newRow("geo-ip") << "https://api.example/v3/geoip"
                            << "API GEO IP URL";
    QTest::newRow("feed") << "https://api.example/feeds/serverinfo.xml"
                          << "API Serverlist URL";
    QTest::newRow("account") << "https://api.example/v3_1/accounts/7/wireguard-configuration?server_id=3"
                             << "API Account URL";
    QTest::newRow("account data") << "https://api.example/v3_1/private/accounts/alice"
                                  << "API Accounts URL";
    QTest::newRow("static feed") << "https://feed.example/xml/tesskavpn.xml"
                                 << "API *** URL";
    QTest::newRow("case differs") << "https://api.example/V3/GEOIP"
                                  << "API *** URL";
    QTest::newRow("first match decides") << "https://api.example/v3/geoip/feeds/serverinfo.xml"
                                         << "API GEO IP URL";
    QTest::newRow("empty") << ""
                           << "API *** URL";
}

void TestVpnClientApi::maskedUrl()
{
    QFETCH(QString, address);
    QFETCH(QString, masked);
    QCOMPARE(VpnClientApi::maskedUrl(address), masked);
}

QTEST_APPLESS_MAIN(TestVpnClientApi)
#include "test_vpnclientapi.moc"
