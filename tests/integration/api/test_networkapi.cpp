#include "httpsserver.h"
#include "networkapi.h"
#include "vpnclientapi.h"

#include <QNetworkAccessManager>
#include <QProcess>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QtTest>

enum class ApiRequest { ServerList, GeoIp, AccountData };
Q_DECLARE_METATYPE(ApiRequest)

// NetworkApi against a real HTTPS server on the loopback interface: the three
// requests, their failures, the time limit and the size limit of a reply.
class TestNetworkApiHttps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void eachRequestAndItsSignal();
    void unparsableBodies();
    void failures_data();
    void failures();
    void requestsDisabledWhileOneIsInFlight();

private:
    void makeCertificates();
    static QString hostOf(quint16 port) { return QStringLiteral("127.0.0.1:%1").arg(port); }
    void send(NetworkApi &api, ApiRequest request);

    QTemporaryDir m_dir;
    HttpsServer *m_server = nullptr;
    QString m_host;
};

namespace {
const QByteArray feedTarget = "/feeds/serverinfo.xml";
const QByteArray geoTarget = "/v3/geoip";
// The user name "a/b c?d#e" as one escaped path segment.
const QString oddUserName = QStringLiteral("a/b c?d#e");
const QByteArray oddAccountTarget = "/v3_1/private/accounts/a%2Fb%20c%3Fd%23e";

const QByteArray feed = R"(<?xml version="1.0"?>
<brixoserverList>
  <server visible="1" status="1" ip="192.0.2.20" country="SE" city="Malmo" name="se-ma-1" capacity="10" cpu="1"/>
  <server visible="1" status="1" ip="192.0.2.10" country="DE" city="Essen" name="de-es-1" capacity="10" cpu="2"/>
  <server visible="1" status="1" ip="192.0.2.11" country="DE" city="Bonn" name="de-bo-1" capacity="10" cpu="3"/>
</brixoserverList>)";

QByteArray accountBody(int id, const QByteArray &userName)
{
    return R"({"data":{"id":)" + QByteArray::number(id) + R"(,"username":")" + userName
        + R"(","status":"Active","updated":"u","created":"c","wg_ip":"10.66.0.9","wg_private_key":"a2V5",)"
          R"("wg_public_key":"own"}})";
}

bool run(const QString &directory, const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(directory);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    const bool done = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    if (!done)
        qWarning().noquote() << "openssl" << arguments.join(QLatin1Char(' ')) << process.readAll();
    return done;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

void TestNetworkApiHttps::makeCertificates()
{
    const QString dir = m_dir.path();
    QVERIFY2(run(dir,
                 {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                  "-keyout", "ca.key", "-out", "ca.crt", "-days", "2", "-subj", "/CN=API test CA", "-addext",
                  "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"}),
             "openssl cannot make the test CA");
    QVERIFY(run(dir,
                {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                 "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1"}));
    QFile extensions(dir + QStringLiteral("/server.ext"));
    QVERIFY(extensions.open(QIODevice::WriteOnly));
    extensions.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=critical,CA:FALSE\n"
                     "extendedKeyUsage=serverAuth\n");
    extensions.close();
    QVERIFY(run(dir,
                {"x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
                 "-out", "server.crt", "-days", "2", "-extfile", "server.ext"}));
}

void TestNetworkApiHttps::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QSslSocket::supportsSsl(), "Qt has no TLS library");
    makeCertificates();

    // Only this test process trusts the test CA.
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(m_dir.path() + QStringLiteral("/ca.crt"));
    QSslConfiguration::setDefaultConfiguration(configuration);

    const QSslCertificate certificate(readFile(m_dir.path() + QStringLiteral("/server.crt")));
    const QSslKey key(readFile(m_dir.path() + QStringLiteral("/server.key")), QSsl::Ec);
    QVERIFY(!certificate.isNull());
    QVERIFY(!key.isNull());
    m_server = new HttpsServer(certificate, key, this);
    QVERIFY(m_server->listen(QHostAddress::LocalHost, 0));
    m_host = hostOf(m_server->serverPort());
}

void TestNetworkApiHttps::init()
{
    VpnClientApi::setHostOverride(m_host);
    m_server->clearReplies();
    m_server->clearRequests();
    m_server->setReply(feedTarget, {200, feed});
    m_server->setReply(geoTarget, {200, R"({"data":{"ip":"203.0.113.5","iso_code":"DE"}})"});
    m_server->setReply(oddAccountTarget, {200, accountBody(42, "a/b c?d#e")});
    // Where an unescaped name would lead.
    m_server->setReply("/v3_1/private/accounts/a", {200, accountBody(1, "a")});
}

void TestNetworkApiHttps::cleanup()
{
    m_server->dropHeld();
    VpnClientApi::setHostOverride(QString());
}

void TestNetworkApiHttps::send(NetworkApi &api, ApiRequest request)
{
    switch (request) {
    case ApiRequest::ServerList:
        api.requestServerList();
        break;
    case ApiRequest::GeoIp:
        api.requestCurrentIpAddress();
        break;
    case ApiRequest::AccountData:
        api.apiRequestWireguardData(oddUserName, QStringLiteral("pw"));
        break;
    }
}

void TestNetworkApiHttps::eachRequestAndItsSignal()
{
    NetworkApi api;
    QSignalSpy servers(&api, &NetworkApi::requestServerListFinished);
    QSignalSpy ip(&api, &NetworkApi::requestCurrentIpAddressFinished);
    QSignalSpy account(&api, &NetworkApi::apiRequestAccountFinished);

    QTest::ignoreMessage(QtInfoMsg, "NetworkApi: Request current IP address");
    QTest::ignoreMessage(QtInfoMsg,
                         "NetworkApi: Request 'API Serverlist URL' finished, 3 servers in 2 countries");
    QTest::ignoreMessage(
        QtInfoMsg,
        "NetworkApi: Request 'API GEO IP URL' finished, location in 'DE' (203.0.113.5), valid: true");
    api.doRequests();
    QTRY_COMPARE(servers.count(), 1);
    QTRY_COMPARE(ip.count(), 1);

    const Servers list = servers.first().first().value<Servers>();
    QCOMPARE(Server::serverList(list), QStringList({"192.0.2.11", "192.0.2.10", "192.0.2.20"}));
    QCOMPARE(ip.first().at(0).toString(), QStringLiteral("203.0.113.5"));
    QCOMPARE(ip.first().at(1).toString(), QStringLiteral("DE"));

    QTest::ignoreMessage(QtInfoMsg, "NetworkApi: Request wireguard data");
    api.apiRequestWireguardData(oddUserName, QString());
    QTRY_COMPARE(account.count(), 1);
    const Account received = account.first().first().value<Account>();
    QCOMPARE(received.id(), quint64(42));
    QCOMPARE(received.userName(), oddUserName);

    const QList<HttpsServer::Request> requests = m_server->requests();
    QCOMPARE(requests.size(), 3);
    for (const HttpsServer::Request &request : requests) {
        if (request.target == feedTarget) {
            QVERIFY(!request.headers.contains("authorization"));
            QVERIFY(!request.headers.contains("accept"));
        } else if (request.target == geoTarget) {
            QCOMPARE(request.headers.value("accept"), QByteArray("application/json"));
            QVERIFY(!request.headers.contains("authorization"));
        } else {
            QCOMPARE(request.target, oddAccountTarget);
            QCOMPARE(request.headers.value("accept"), QByteArray("application/json"));
            // The empty password still follows the colon.
            QCOMPARE(request.headers.value("authorization"), "Basic " + QByteArray("a/b c?d#e:").toBase64());
        }
    }
    // Each request's access manager goes once its reply is dispatched.
    QTRY_COMPARE(api.findChildren<QNetworkAccessManager *>().size(), 0);
}

void TestNetworkApiHttps::unparsableBodies()
{
    m_server->setReply(feedTarget, {200, "<brixoserverList/>"});
    m_server->setReply(geoTarget, {200, "<html>not json</html>"});
    m_server->setReply(oddAccountTarget, {200, "{\"data\": "});
    NetworkApi api;
    QSignalSpy servers(&api, &NetworkApi::requestServerListFinished);
    QSignalSpy ip(&api, &NetworkApi::requestCurrentIpAddressFinished);
    QSignalSpy account(&api, &NetworkApi::apiRequestAccountFinished);
    QTest::ignoreMessage(QtInfoMsg,
                         "NetworkApi: Request 'API Serverlist URL' finished, 0 servers in 0 countries");
    QTest::ignoreMessage(QtInfoMsg,
                         "NetworkApi: Request 'API GEO IP URL' finished, location in '' (), valid: false");
    api.doRequests();
    api.apiRequestWireguardData(oddUserName, QStringLiteral("pw"));
    QTRY_COMPARE(servers.count(), 1);
    QTRY_COMPARE(ip.count(), 1);
    QTRY_COMPARE(account.count(), 1);
    QVERIFY(servers.first().first().value<Servers>().isEmpty());
    QCOMPARE(ip.first().at(0).toString(), QString());
    QCOMPARE(ip.first().at(1).toString(), QString());
    QVERIFY(!account.first().first().value<Account>().isValid());
}

void TestNetworkApiHttps::failures_data()
{
    QTest::addColumn<ApiRequest>("request");
    QTest::addColumn<QString>("cause");
    const QList<QPair<ApiRequest, QString>> requests {{ApiRequest::ServerList, "API Serverlist URL"},
                                                      {ApiRequest::GeoIp, "API GEO IP URL"},
                                                      {ApiRequest::AccountData, "API Accounts URL"}};
    for (const auto &request : requests) {
        for (const char *cause : {"http error", "refused", "too large", "time limit"})
            QTest::newRow(qPrintable(request.second + QStringLiteral(", ") + QLatin1String(cause)))
                << request.first << QString::fromLatin1(cause);
    }
}

void TestNetworkApiHttps::failures()
{
    QFETCH(ApiRequest, request);
    QFETCH(QString, cause);
    const QByteArray target = request == ApiRequest::ServerList ? feedTarget
        : request == ApiRequest::GeoIp                          ? geoTarget
                                                                : oddAccountTarget;
    const QString masked = request == ApiRequest::ServerList ? QStringLiteral("API Serverlist URL")
        : request == ApiRequest::GeoIp                       ? QStringLiteral("API GEO IP URL")
                                                             : QStringLiteral("API Accounts URL");

    NetworkApi api;
    if (cause == QLatin1String("http error")) {
        m_server->setReply(target, {500, "{\"data\":{\"ip\":\"203.0.113.5\"}}"});
    } else if (cause == QLatin1String("refused")) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        VpnClientApi::setHostOverride(hostOf(port));
    } else if (cause == QLatin1String("too large")) {
        HttpsServer::Reply reply;
        reply.body = QByteArray(NetworkApi::maxReplySize + 1024 * 1024, ' ');
        reply.announceLength = false;
        m_server->setReply(target, reply);
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("NetworkApi: '%1' reply is larger than %2 bytes")
                                            .arg(masked)
                                            .arg(NetworkApi::maxReplySize)));
    } else {
        HttpsServer::Reply reply;
        reply.hold = true;
        m_server->setReply(target, reply);
        api.setRequestTimeout(300);
        const QString address = request == ApiRequest::ServerList ? VpnClientApi::serverList()
            : request == ApiRequest::GeoIp                        ? VpnClientApi::geoIp()
                                           : QUrl(VpnClientApi::apiWireguardData(oddUserName)).toString();
        QTest::ignoreMessage(
            QtInfoMsg,
            qPrintable(QStringLiteral("ReplyTimeout: Request '%1', cancelled by timer").arg(address)));
    }
    // The warning names the request only by its masked address.
    if (cause != QLatin1String("too large"))
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(
                QStringLiteral("^NetworkApi: '%1' finished, error: [^/]+ \\(code: \\d+\\)$").arg(masked)));

    QSignalSpy servers(&api, &NetworkApi::requestServerListFinished);
    QSignalSpy ip(&api, &NetworkApi::requestCurrentIpAddressFinished);
    QSignalSpy account(&api, &NetworkApi::apiRequestAccountFinished);
    send(api, request);
    QTRY_COMPARE_WITH_TIMEOUT(servers.count() + ip.count() + account.count(), 1, 15000);

    switch (request) {
    case ApiRequest::ServerList:
        QCOMPARE(servers.count(), 1);
        QVERIFY(servers.first().first().value<Servers>().isEmpty());
        break;
    case ApiRequest::GeoIp:
        QCOMPARE(ip.count(), 1);
        QCOMPARE(ip.first().at(0).toString(), QStringLiteral("0.0.0.0"));
        QCOMPARE(ip.first().at(1).toString(), QString());
        break;
    case ApiRequest::AccountData:
        QCOMPARE(account.count(), 1);
        QCOMPARE(account.first().first().value<Account>().id(), quint64(0));
        break;
    }
}

void TestNetworkApiHttps::requestsDisabledWhileOneIsInFlight()
{
    HttpsServer::Reply held;
    held.hold = true;
    held.body = R"({"data":{"ip":"203.0.113.7","iso_code":"SE"}})";
    m_server->setReply(geoTarget, held);

    NetworkApi api;
    QSignalSpy received(m_server, &HttpsServer::requestReceived);
    QSignalSpy ip(&api, &NetworkApi::requestCurrentIpAddressFinished);
    QSignalSpy account(&api, &NetworkApi::apiRequestAccountFinished);
    api.requestCurrentIpAddress();
    QVERIFY(received.wait());

    api.disableNewRequests();
    QVERIFY(api.newRequestsDisabled());
    api.doRequests();
    api.requestServerList();
    api.requestCurrentIpAddress();
    api.apiRequestWireguardData(QStringLiteral("alice"), QStringLiteral("pw"));
    QCOMPARE(api.findChildren<QNetworkAccessManager *>().size(), 1);

    m_server->releaseHeld();
    QTRY_COMPARE(ip.count(), 1);
    QCOMPARE(ip.first().at(0).toString(), QStringLiteral("203.0.113.7"));
    QCOMPARE(ip.first().at(1).toString(), QStringLiteral("SE"));
    QTRY_COMPARE(api.findChildren<QNetworkAccessManager *>().size(), 0);
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(account.count(), 0);
}

QTEST_GUILESS_MAIN(TestNetworkApiHttps)
#include "test_networkapi.moc"
