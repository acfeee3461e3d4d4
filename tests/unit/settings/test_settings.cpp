#include "autostart.h"
#include "buildconfig.h"
#include "server.h"
#include "settings.h"
#include "simplecrypt.h"
#include "wireguard.h"

#include <QtTest>

#include <memory>

namespace {
Server real(const QString &ip, const QString &name)
{
    return Server(ip, QStringLiteral("DE"), QStringLiteral("Berlin"), name, ip, 10, 0.5f, 0);
}

Servers fixture()
{
    return Servers {real(QStringLiteral("10.0.0.1"), QStringLiteral("a")),
                    real(QStringLiteral("10.0.0.2"), QStringLiteral("b")),
                    real(QStringLiteral("10.0.0.3"), QStringLiteral("c")),
                    real(QStringLiteral("10.0.0.4"), QStringLiteral("d"))};
}

Servers byNames(const QString &names)
{
    Servers result;
    const Servers all = fixture();
    for (const QString &name : names.split(QLatin1Char(','), Qt::SkipEmptyParts))
        result.append(Server::findServerByIp(all, Server::findServerByName(all, name)));
    return result;
}

QString namesOf(const Servers &servers)
{
    QStringList names;
    for (const Server &server : servers)
        names.append(server.name());
    return names.join(QLatin1Char(','));
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void defaults();
    void readBackCorrections_data();
    void readBackCorrections();
    void handEditedFile();
    void savesEveryKey();
    void credentialsSurviveWriteAndRead();
    void damagedCipherReadsEmpty_data();
    void damagedCipherReadsEmpty();
    void recentServers_data();
    void recentServers();
    void ports_data();
    void ports();
    void portTables();
    void setterSignals_data();
    void setterSignals();
    void portIndexSetters();
    void languages();
    void favorites();
    void currentServerId();
    void themeditorUrl();
    void launchAppOnStartup();
    void writability();

private:
    // A settings object over an INI file of this test's folder.
    std::unique_ptr<Settings> open(const QString &name);
    std::unique_ptr<Settings> openWith(const QString &name, const QByteArray &content);
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    QTemporaryDir m_config;
};

void TestSettings::initTestCase()
{
    QVERIFY(m_dir.isValid() && m_config.isValid());
    // Before the first store is opened: the native store and the autostart
    // entries then live in the temporary folder, never in the user's.
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
}

void TestSettings::cleanup()
{
    WireGuard::initialize();
}

std::unique_ptr<Settings> TestSettings::open(const QString &name)
{
    return std::unique_ptr<Settings>(new Settings(path(name)));
}

std::unique_ptr<Settings> TestSettings::openWith(const QString &name, const QByteArray &content)
{
    writeFile(path(name), content);
    return open(name);
}

void TestSettings::defaults()
{
    auto settings = open(QStringLiteral("defaults.conf"));
    QVERIFY(settings->allowAccessToLocalDevices());
    QVERIFY(settings->autoReconnectionOnError());
    QVERIFY(settings->autoUpdateEnabled());
    QVERIFY(!settings->connectToLastLocation());
    QVERIFY(settings->currentServerId().isEmpty());
    QVERIFY(!settings->ipv6Enabled());
    QVERIFY(settings->killswitchEnabled());
    QVERIFY(settings->language().isEmpty());
    QCOMPARE(settings->mtuSize(), 0);
    QCOMPARE(settings->networkProtocol(), 3);
    QCOMPARE(settings->networkProtocol2(), NetworkProtocol::WireGuard);
    QVERIFY(settings->password().isEmpty());
    QVERIFY(settings->showNotifications());
    QCOMPARE(settings->startMinimized(), 0);
    QVERIFY(settings->userName().isEmpty());
    QCOMPARE(settings->tcpPortIndex(), 0);
    QCOMPARE(settings->udpPortIndex(), 0);
    QVERIFY(settings->favorites().isEmpty());
    QVERIFY(settings->useDefaultLocation());
    QVERIFY(!settings->vaildCredentials());
    QCOMPARE(settings->themeditorLastOpenedUrl(),
             QUrl::fromLocalFile(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));
    QCOMPARE(Settings::defaultMtuSize(), 1500);
    QCOMPARE(Settings::osName(), QStringLiteral("Linux"));
    QCOMPARE(Settings::titleName(), QStringLiteral("Veltrano VPN"));
    QCOMPARE(Settings::qmlPath(QStringLiteral("main.qml")), QStringLiteral("qrc:/qml/main.qml"));
    QCOMPARE(Settings::iconPath(QStringLiteral("app/app.png")),
             QStringLiteral("qrc:/resources/icons/app/app.png"));

    WireGuard::setSupported(false);
    QCOMPARE(open(QStringLiteral("defaults-nowg.conf"))->networkProtocol(), 0);
}

void TestSettings::readBackCorrections_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("wireGuard");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("tcp index 12") << "tcpPortIndex=12" << true << "tcpPortIndex" << QVariant(0);
    QTest::newRow("tcp index 10") << "tcpPortIndex=10" << true << "tcpPortIndex" << QVariant(0);
    QTest::newRow("tcp index 9") << "tcpPortIndex=9" << true << "tcpPortIndex" << QVariant(9);
    QTest::newRow("tcp index negative") << "tcpPortIndex=-1" << true << "tcpPortIndex" << QVariant(0);
    QTest::newRow("tcp index text") << "tcpPortIndex=abc" << true << "tcpPortIndex" << QVariant(0);
    QTest::newRow("udp index 3") << "udpPortIndex=3" << true << "udpPortIndex" << QVariant(0);
    QTest::newRow("udp index 2") << "udpPortIndex=2" << true << "udpPortIndex" << QVariant(2);
    QTest::newRow("wireguard kept") << "networkProtocol=3" << true << "networkProtocol" << QVariant(3);
    QTest::newRow("wireguard unsupported")
        << "networkProtocol=3" << false << "networkProtocol" << QVariant(0);
    QTest::newRow("stealth") << "networkProtocol=2" << false << "networkProtocol" << QVariant(2);
    QTest::newRow("unknown protocol") << "networkProtocol=9" << true << "networkProtocol" << QVariant(3);
    QTest::newRow("unknown protocol, no wg")
        << "networkProtocol=-1" << false << "networkProtocol" << QVariant(0);
    QTest::newRow("protocol text") << "networkProtocol=tcp" << true << "networkProtocol" << QVariant(3);
    QTest::newRow("language de") << "language=de" << true << "language" << QVariant(QString());
    QTest::newRow("language fr") << "language=fr" << true << "language" << QVariant(QStringLiteral("fr"));
    QTest::newRow("language list") << "language=en, fr" << true << "language" << QVariant(QString());
    QTest::newRow("server address") << "currentServerId=10.0.0.1" << true << "currentServerId"
                                    << QVariant(QStringLiteral("10.0.0.1"));
    QTest::newRow("server country") << "currentServerId=de" << true << "currentServerId"
                                    << QVariant(QStringLiteral("de"));
    QTest::newRow("server name") << "currentServerId=de-ber1.example.net" << true << "currentServerId"
                                 << QVariant(QStringLiteral("de-ber1.example.net"));
    QTest::newRow("server id with blank")
        << "currentServerId=not a host" << true << "currentServerId" << QVariant(QString());
    QTest::newRow("server id uuid in braces") << "currentServerId={6f1c0bfa-1111-4a2b-9c3d-123456789abc}"
                                              << true << "currentServerId" << QVariant(QString());
    QTest::newRow("bool word") << "killswitchEnabled=false" << true << "killswitchEnabled" << QVariant(false);
    QTest::newRow("bool digit") << "ipv6Enabled=1" << true << "ipv6Enabled" << QVariant(true);
    QTest::newRow("bool unreadable") << "killswitchEnabled=maybe" << true << "killswitchEnabled"
                                     << QVariant(true);
    QTest::newRow("bool empty") << "showNotifications=" << true << "showNotifications" << QVariant(true);
    QTest::newRow("mtu") << "mtuSize=1400" << true << "mtuSize" << QVariant(1400);
    QTest::newRow("mtu unreadable") << "mtuSize=1e9" << true << "mtuSize" << QVariant(0);
    QTest::newRow("start minimized") << "startMinimized=2" << true << "startMinimized" << QVariant(2);
    QTest::newRow("start minimized rect")
        << "startMinimized=@Rect(1 2 3 4)" << true << "startMinimized" << QVariant(0);
    QTest::newRow("favorites list") << "favorites=a, b.example, de" << true << "favorites"
                                    << QVariant(QStringList {"a", "b.example", "de"});
    QTest::newRow("favorites single") << "favorites=a" << true << "favorites" << QVariant(QStringList {"a"});
    QTest::newRow("favorites empty") << "favorites=" << true << "favorites" << QVariant(QStringList());
    QTest::newRow("password not a cipher") << "password=secret" << true << "password" << QVariant(QString());
}

void TestSettings::readBackCorrections()
{
    QFETCH(QString, line);
    QFETCH(bool, wireGuard);
    QFETCH(QString, property);
    QFETCH(QVariant, expected);

    WireGuard::setSupported(wireGuard);
    // One file per row: QSettings caches a file by path and may miss a rewrite of
    // the same size within the same second.
    auto settings = openWith(QStringLiteral("read-%1.conf")
                                 .arg(QString::fromLatin1(QTest::currentDataTag())
                                          .toHtmlEscaped()
                                          .replace(QLatin1Char(' '), QLatin1Char('-'))),
                             "[Settings]\n" + line.toUtf8() + '\n');
    if (property == QLatin1String("favorites"))
        QCOMPARE(QVariant(settings->favorites()), expected);
    else if (property == QLatin1String("currentServerId"))
        QCOMPARE(QVariant(settings->currentServerId()), expected);
    else
        QCOMPARE(settings->property(qPrintable(property)), expected);
}

void TestSettings::handEditedFile()
{
    const QString copy = path(QStringLiteral("damaged.conf"));
    QFile::remove(copy);
    QVERIFY(QFile::copy(QStringLiteral(VPN_TEST_DATA_DIR "/damaged.conf"), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

    auto settings = open(QStringLiteral("damaged.conf"));
    QVERIFY(settings->tcpPortIndex() >= 0 && settings->tcpPortIndex() < Settings::allowedTcpPorts().size());
    QVERIFY(settings->udpPortIndex() >= 0 && settings->udpPortIndex() < Settings::allowedUdpPorts().size());
    QVERIFY(settings->networkProtocol() >= 0 && settings->networkProtocol() <= 3);
    QVERIFY(settings->language().isEmpty() || Settings::languageCodes().contains(settings->language()));
    QVERIFY(settings->currentServerId().isEmpty());
    QVERIFY(settings->password().isEmpty());
    QVERIFY(settings->allowAccessToLocalDevices());
    QVERIFY(!settings->killswitchEnabled());
    QCOMPARE(settings->mtuSize(), 0);
    QCOMPARE(settings->startMinimized(), 0);
    QCOMPARE(settings->tcpPortIndex(), 0);
    for (const QString &favorite : settings->favorites())
        QVERIFY(!favorite.isEmpty());
    QVERIFY(settings->recentServersFromAllowedList(fixture()).isEmpty());
    QVERIFY(settings->isWritable());

    // Saving replaces the damage with values that read back unchanged.
    settings->setUserName(QStringLiteral("user"));
    settings->saveGeneralSettings();
    settings->saveThemeditorSettings();
    const auto again = open(QStringLiteral("damaged.conf"));
    for (const char *name :
         {"allowAccessToLocalDevices", "autoReconnectionOnError", "killswitchEnabled", "ipv6Enabled",
          "language", "mtuSize", "networkProtocol", "startMinimized", "tcpPortIndex", "udpPortIndex",
          "userName", "password", "themeditorLastOpenedUrl"})
        QCOMPARE(again->property(name), settings->property(name));
    QCOMPARE(again->userName(), QStringLiteral("user"));
}

void TestSettings::savesEveryKey()
{
    auto settings = open(QStringLiteral("keys.conf"));
    settings->setNetworkProtocol(1);
    settings->setTcpPortIndex(5);
    settings->setMtuSize(1400);
    settings->setKillswitchEnabled(false);
    settings->setLanguage(QStringLiteral("nl"));
    settings->setStartMinimized(1);
    settings->saveGeneralSettings();

    QSettings raw(path(QStringLiteral("keys.conf")), QSettings::IniFormat);
    raw.beginGroup(QStringLiteral("Settings"));
    QStringList keys = raw.childKeys();
    keys.sort();
    QCOMPARE(keys,
             QStringList({"allowAccessToLocalDevices", "autoReconnectToVpn", "autoUpdateEnabled",
                          "connectToLastLocation", "currentServerId", "ipv6Enabled", "killswitchEnabled",
                          "language", "mtuSize", "networkProtocol", "password", "showNotifications",
                          "startMinimized", "tcpPortIndex", "udpPortIndex", "userName"}));
    QCOMPARE(raw.value(QStringLiteral("networkProtocol")).toInt(), 1);
    QCOMPARE(raw.value(QStringLiteral("tcpPortIndex")).toInt(), 5);
    QCOMPARE(raw.value(QStringLiteral("mtuSize")).toInt(), 1400);

    const auto again = open(QStringLiteral("keys.conf"));
    QCOMPARE(again->networkProtocol(), 1);
    QCOMPARE(again->tcpPortIndex(), 5);
    QCOMPARE(again->mtuSize(), 1400);
    QVERIFY(!again->killswitchEnabled());
    QCOMPARE(again->language(), QStringLiteral("nl"));
    QCOMPARE(again->startMinimized(), 1);
}

void TestSettings::credentialsSurviveWriteAndRead()
{
    auto settings = open(QStringLiteral("credentials.conf"));
    QSignalSpy userSpy(settings.get(), &Settings::userNameChanged);
    QSignalSpy passwordSpy(settings.get(), &Settings::passwordChanged);
    settings->setUserName(QStringLiteral("  jane   doe "));
    settings->setPassword(QStringLiteral("p\u00e4ss  w\u00f6rd\t"));
    settings->setPassword(QStringLiteral("p\u00e4ss w\u00f6rd"));
    QCOMPARE(userSpy.count(), 1);
    QCOMPARE(passwordSpy.count(), 1);
    QCOMPARE(settings->userName(), QStringLiteral("jane doe"));
    QCOMPARE(settings->password(), QStringLiteral("p\u00e4ss w\u00f6rd"));
    QVERIFY(settings->vaildCredentials());
    settings->saveGeneralSettings();

    const QByteArray text = readFile(path(QStringLiteral("credentials.conf")));
    QVERIFY(!text.contains("jane"));
    QVERIFY(!text.contains("w\xc3\xb6rd"));

    const auto again = open(QStringLiteral("credentials.conf"));
    QCOMPARE(again->userName(), QStringLiteral("jane doe"));
    QCOMPARE(again->password(), QStringLiteral("p\u00e4ss w\u00f6rd"));
    QVERIFY(again->vaildCredentials());

    // The stored form is the cipher with the build's key.
    QSettings raw(path(QStringLiteral("credentials.conf")), QSettings::IniFormat);
    SimpleCrypt crypt(BuildConfig::credentialsKey);
    QCOMPARE(crypt.decryptToString(raw.value(QStringLiteral("Settings/password")).toString()),
             QStringLiteral("p\u00e4ss w\u00f6rd"));

    again->setPassword(QStringLiteral("   "));
    QVERIFY(!again->vaildCredentials());
}

void TestSettings::damagedCipherReadsEmpty_data()
{
    QTest::addColumn<QString>("damage");

    QTest::newRow("byte changed") << "flip";
    QTest::newRow("truncated") << "truncate";
    QTest::newRow("not base64") << "text";
    QTest::newRow("other key") << "key";
    QTest::newRow("checksum flag removed") << "flags";
}

void TestSettings::damagedCipherReadsEmpty()
{
    QFETCH(QString, damage);
    SimpleCrypt crypt(damage == QLatin1String("key") ? 0x1122334455667788ULL : BuildConfig::credentialsKey);
    crypt.setCompressionMode(SimpleCrypt::CompressionNever);
    QByteArray cipher = crypt.encryptToByteArray(QStringLiteral("a password"));
    if (damage == QLatin1String("flip"))
        cipher[cipher.size() - 3] = static_cast<char>(cipher.at(cipher.size() - 3) ^ 0x10);
    else if (damage == QLatin1String("truncate"))
        cipher.truncate(4);
    else if (damage == QLatin1String("flags"))
        cipher[1] = 0;
    QByteArray stored = cipher.toBase64();
    if (damage == QLatin1String("text"))
        stored = "!!not a cipher text!!";

    auto settings = openWith(QStringLiteral("damaged-cipher.conf"),
                             "[Settings]\npassword=" + stored + "\nuserName=" + stored + '\n');
    QVERIFY(settings->password().isEmpty());
    QVERIFY(settings->userName().isEmpty());
    QVERIFY(!settings->vaildCredentials());
}

void TestSettings::recentServers_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("allowed");
    QTest::addColumn<QString>("recent");

    QTest::newRow("oldest dropped") << "a,b,c,d"
                                    << "b,c,d"
                                    << "a,b,c,d"
                                    << "b,c,d";
    QTest::newRow("later duplicate dropped") << "a,b,a"
                                             << "a,b"
                                             << "a,b,c,d"
                                             << "a,b";
    QTest::newRow("three kept") << "c,a,b"
                                << "c,a,b"
                                << "a,b,c,d"
                                << "c,a,b";
    QTest::newRow("one") << "d"
                         << "d"
                         << "a,b,c,d"
                         << "d";
    QTest::newRow("none") << ""
                          << ""
                          << "a,b,c,d"
                          << "";
    QTest::newRow("missing servers skipped") << "a,b,c"
                                             << "a,b,c"
                                             << "c,a"
                                             << "a,c";
}

void TestSettings::recentServers()
{
    QFETCH(QString, saved);
    QFETCH(QString, stored);
    QFETCH(QString, allowed);
    QFETCH(QString, recent);

    QFile::remove(path(QStringLiteral("recent.conf")));
    auto settings = open(QStringLiteral("recent.conf"));
    QTest::ignoreMessage(QtInfoMsg, qPrintable(QStringLiteral("Settings: Save recent servers: ") + stored));
    settings->saveRecentServers(byNames(saved));

    QSettings raw(path(QStringLiteral("recent.conf")), QSettings::IniFormat);
    QStringList ids = raw.value(QStringLiteral("Settings/recentServers")).toStringList();
    ids.removeAll(QString());
    QCOMPARE(ids.join(QLatin1Char(',')), stored);
    QCOMPARE(namesOf(open(QStringLiteral("recent.conf"))->recentServersFromAllowedList(byNames(allowed))),
             recent);
}

void TestSettings::ports_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("tcpIndex");
    QTest::addColumn<int>("udpIndex");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<QString>("name");

    QTest::newRow("udp first") << 0 << 0 << 0 << 53 << false << "53";
    QTest::newRow("udp last") << 0 << 0 << 2 << 123 << false << "123";
    QTest::newRow("tcp automatic") << 1 << 0 << 2 << 0 << true << "auto";
    QTest::newRow("tcp 80") << 1 << 5 << 0 << 80 << false << "80";
    QTest::newRow("tcp last") << 1 << 9 << 0 << 8080 << false << "8080";
    QTest::newRow("stealth") << 2 << 0 << 1 << 443 << false << "443";
    QTest::newRow("stealth other indexes") << 2 << 7 << 2 << 443 << false << "443";
    QTest::newRow("wireguard") << 3 << 0 << 0 << 55888 << false << "55888";
    QTest::newRow("wireguard other indexes") << 3 << 3 << 1 << 55888 << false << "55888";
    QTest::newRow("unknown protocol") << 7 << 5 << 1 << 0 << false << "auto";
}

void TestSettings::ports()
{
    QFETCH(int, protocol);
    QFETCH(int, tcpIndex);
    QFETCH(int, udpIndex);
    QFETCH(int, port);
    QFETCH(bool, automatic);
    QFETCH(QString, name);

    auto settings = open(QStringLiteral("ports.conf"));
    settings->setNetworkProtocol(protocol);
    settings->setTcpPortIndex(tcpIndex);
    settings->setUdpPortIndex(udpIndex);
    QCOMPARE(int(settings->portForNetworkProtocol()), port);
    QCOMPARE(settings->autoPortSelection(), automatic);
    QCOMPARE(settings->portNameForNetworkProtocol(), name);
}

void TestSettings::portTables()
{
    QCOMPARE(Settings::allowedTcpPorts(), QList<quint16>({0, 20, 21, 23, 53, 80, 110, 143, 3389, 8080}));
    QCOMPARE(Settings::allowedUdpPorts(), QList<quint16>({53, 88, 123}));
    QCOMPARE(Settings::allowedTcpPortsForScan(), QList<quint16>({20, 21, 23, 53, 80, 110, 143, 3389, 8080}));
    QCOMPARE(Settings::networkPortsToList({0, 443}), QStringList({"0", "443"}));
    QCOMPARE(Settings::networkPortIndexToValue(Settings::allowedUdpPorts(), 1), quint16(88));
    QCOMPARE(Settings::networkPortIndexToValue(Settings::allowedUdpPorts(), 3), quint16(53));
    QCOMPARE(Settings::networkPortIndexToValue(Settings::allowedUdpPorts(), -1), quint16(53));
    QCOMPARE(Settings::networkPortIndexToValue({}, 0), quint16(0));
    QCOMPARE(Settings::nameForAutoPortSelection(), QStringLiteral("Auto"));

    auto settings = open(QStringLiteral("tables.conf"));
    QCOMPARE(settings->property("allowedTcpPortsList").toStringList(),
             QStringList({"0", "20", "21", "23", "53", "80", "110", "143", "3389", "8080"}));
    QCOMPARE(settings->property("allowedUdpPortsList").toStringList(), QStringList({"53", "88", "123"}));
}

void TestSettings::setterSignals_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("allowAccessToLocalDevices") << "allowAccessToLocalDevices" << QVariant(false);
    QTest::newRow("autoReconnectionOnError") << "autoReconnectionOnError" << QVariant(false);
    QTest::newRow("autoUpdateEnabled") << "autoUpdateEnabled" << QVariant(false);
    QTest::newRow("connectToLastLocation") << "connectToLastLocation" << QVariant(true);
    QTest::newRow("ipv6Enabled") << "ipv6Enabled" << QVariant(true);
    QTest::newRow("killswitchEnabled") << "killswitchEnabled" << QVariant(false);
    QTest::newRow("showNotifications") << "showNotifications" << QVariant(false);
    QTest::newRow("mtuSize") << "mtuSize" << QVariant(1280);
    QTest::newRow("networkProtocol") << "networkProtocol" << QVariant(2);
    QTest::newRow("startMinimized") << "startMinimized" << QVariant(2);
    QTest::newRow("language") << "language" << QVariant(QStringLiteral("ru"));
    QTest::newRow("languageIndex") << "languageIndex" << QVariant(4);
}

void TestSettings::setterSignals()
{
    QFETCH(QString, property);
    QFETCH(QVariant, value);

    auto settings = open(QStringLiteral("signals.conf"));
    const QMetaProperty meta
        = settings->metaObject()->property(settings->metaObject()->indexOfProperty(qPrintable(property)));
    QVERIFY(meta.isValid() && meta.hasNotifySignal());
    // An empty language stands at index 0; writing index 0 picks "en" once.
    settings->setProperty(qPrintable(property), settings->property(qPrintable(property)));
    QSignalSpy spy(settings.get(),
                   QByteArray(QByteArray::number(QSIGNAL_CODE) + meta.notifySignal().methodSignature()));
    QVERIFY(spy.isValid());

    QVERIFY(settings->setProperty(qPrintable(property), settings->property(qPrintable(property))));
    QCOMPARE(spy.count(), 0);
    QVERIFY(settings->setProperty(qPrintable(property), value));
    QCOMPARE(settings->property(qPrintable(property)), value);
    QCOMPARE(spy.count(), 1);
    if (meta.notifySignal().parameterCount() == 1
        && meta.notifySignal().parameterType(0) == int(meta.userType()))
        QCOMPARE(spy.first().first(), value);
    QVERIFY(settings->setProperty(qPrintable(property), value));
    QCOMPARE(spy.count(), 1);
    // Nothing reaches the file before a save.
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("signals.conf"))));
}

void TestSettings::portIndexSetters()
{
    auto settings = open(QStringLiteral("index.conf"));
    QSignalSpy tcp(settings.get(), &Settings::tcpPortIndexChanged);
    QSignalSpy udp(settings.get(), &Settings::udpPortIndexChanged);
    settings->setTcpPortIndex(4);
    settings->setTcpPortIndex(4);
    settings->setTcpPortIndex(12);
    settings->setTcpPortIndex(-3);
    settings->setUdpPortIndex(3);
    settings->setUdpPortIndex(1);
    QCOMPARE(settings->tcpPortIndex(), 0);
    QCOMPARE(settings->udpPortIndex(), 1);
    QCOMPARE(tcp.count(), 2);
    QCOMPARE(tcp.at(0).first().toBool(), true);
    QCOMPARE(tcp.at(1).first().toBool(), false);
    QCOMPARE(udp.count(), 1);
    QCOMPARE(udp.at(0).first().toBool(), true);

    // A stored index out of range is corrected with the signal as well.
    settings->setValue(QStringLiteral("Settings/udpPortIndex"), 7);
    settings->readGeneralSettings();
    QCOMPARE(settings->udpPortIndex(), 0);
    QCOMPARE(udp.count(), 2);
    QCOMPARE(udp.at(1).first().toBool(), false);
}

void TestSettings::languages()
{
    auto settings = open(QStringLiteral("languages.conf"));
    QCOMPARE(settings->languageList(),
             QStringList({"English", "Bahasa Indonesia", "Bahasa Melayu", "Espa\u00f1ol", "Fran\u00e7ais",
                          "Nederlands", "Pilipino", "Ti\u1ebfng Vi\u1ec7t",
                          "\u0420\u0443\u0441\u0441\u043a\u0438\u0439", "\u0e44\u0e17\u0e22",
                          "\u65e5\u672c\u8a9e", "\u7b80\u4f53\u4e2d\u6587"}));
    QCOMPARE(Settings::languageCodes(),
             QStringList({"en", "id", "my", "es", "fr", "nl", "ph", "vn", "ru", "th", "jp", "cn"}));

    QSignalSpy spy(settings.get(), &Settings::languageChanged);
    QCOMPARE(settings->languageIndex(), 0);
    settings->setLanguageIndex(10);
    QCOMPARE(settings->language(), QStringLiteral("jp"));
    QCOMPARE(settings->languageIndex(), 10);
    settings->setLanguageIndex(12);
    settings->setLanguageIndex(-1);
    QCOMPARE(settings->language(), QStringLiteral("jp"));
    settings->setLanguage(QStringLiteral("xx"));
    QCOMPARE(settings->language(), QStringLiteral("xx"));
    QCOMPARE(settings->languageIndex(), 0);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).first().toString(), QStringLiteral("xx"));
}

void TestSettings::favorites()
{
    auto settings = open(QStringLiteral("favorites.conf"));
    settings->saveFavorite(QStringLiteral("de-ber1"), true);
    settings->saveFavorite(QStringLiteral("de"), true);
    settings->saveFavorite(QStringLiteral("de-ber1"), true);
    settings->saveFavorite(QString(), true);
    settings->saveFavorite(QStringLiteral("10.0.0.1"), true);
    QCOMPARE(settings->favorites(), QStringList({"de-ber1", "de", "10.0.0.1"}));
    settings->saveFavorite(QStringLiteral("de"), false);
    settings->saveFavorite(QStringLiteral("not there"), false);
    QCOMPARE(settings->favorites(), QStringList({"de-ber1", "10.0.0.1"}));
    settings->sync();
    QCOMPARE(open(QStringLiteral("favorites.conf"))->favorites(), QStringList({"de-ber1", "10.0.0.1"}));

    settings->saveFavorite(QStringLiteral("de-ber1"), false);
    settings->saveFavorite(QStringLiteral("10.0.0.1"), false);
    settings->sync();
    QVERIFY(open(QStringLiteral("favorites.conf"))->favorites().isEmpty());
}

void TestSettings::currentServerId()
{
    auto settings = open(QStringLiteral("current.conf"));
    QVERIFY(settings->useDefaultLocation());
    settings->setCurrentServerId(QStringLiteral("de"));
    QVERIFY(!settings->useDefaultLocation());
    QCOMPARE(settings->currentServerId(), QStringLiteral("de"));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("current.conf"))));

    settings->saveCurrentServerId(QStringLiteral("de-ber1"));
    auto again = open(QStringLiteral("current.conf"));
    QCOMPARE(again->currentServerId(), QStringLiteral("de-ber1"));
    QVERIFY(again->useDefaultLocation());
    again->saveCurrentServerId(QStringLiteral("de-ber1"));
    QVERIFY(!again->useDefaultLocation());
}

void TestSettings::themeditorUrl()
{
    auto settings = open(QStringLiteral("theme.conf"));
    QSignalSpy spy(settings.get(), &Settings::themeditorLastOpenedUrlChanged);
    settings->setThemeditorLastOpenedUrl(QUrl::fromLocalFile(QStringLiteral("/srv/themes/dark.ini")));
    settings->setThemeditorLastOpenedUrl(QUrl::fromLocalFile(QStringLiteral("/srv/themes/light.ini")));
    QCOMPARE(settings->themeditorLastOpenedUrl(), QUrl::fromLocalFile(QStringLiteral("/srv/themes")));
    QCOMPARE(spy.count(), 1);
    settings->saveThemeditorSettings();
    QCOMPARE(open(QStringLiteral("theme.conf"))->themeditorLastOpenedUrl(),
             QUrl::fromLocalFile(QStringLiteral("/srv/themes")));
}

void TestSettings::launchAppOnStartup()
{
    auto settings = open(QStringLiteral("autostart.conf"));
    QSignalSpy spy(settings.get(), &Settings::launchAppOnStartupChanged);
    QVERIFY(!settings->launchAppOnStartup());
    settings->setLaunchAppOnStartup(true);
    QVERIFY(settings->launchAppOnStartup());
    QVERIFY(AutoStart::desktopFilePath().startsWith(m_config.path() + QLatin1Char('/')));
    QVERIFY(QFileInfo::exists(AutoStart::desktopFilePath()));
    settings->setLaunchAppOnStartup(true);
    settings->setLaunchAppOnStartup(false);
    QVERIFY(!settings->launchAppOnStartup());
    QVERIFY(!QFileInfo::exists(AutoStart::desktopFilePath()));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).first().toBool(), true);
    QCOMPARE(spy.at(1).first().toBool(), false);
}

void TestSettings::writability()
{
    // The native store lives in the configuration folder.
    const std::unique_ptr<Settings> native(new Settings());
    QCOMPARE(native->fileName(), m_config.path() + QStringLiteral("/VPN/VPNClient.conf"));
    QVERIFY(native->isWritable());

    QVERIFY(open(QStringLiteral("writable.conf"))->isWritable());
    // A store whose folder cannot exist (a file is in its place) cannot be written.
    writeFile(path(QStringLiteral("blocker")), "not a folder");
    const std::unique_ptr<Settings> blocked(new Settings(path(QStringLiteral("blocker/VPNClient.conf"))));
    QVERIFY(!blocked->isWritable());
    blocked->saveGeneralSettings();
    QCOMPARE(readFile(path(QStringLiteral("blocker"))), QByteArray("not a folder"));
    // So can a store that is a folder.
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.conf")));
    QVERIFY(!open(QStringLiteral("folder.conf"))->isWritable());
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
