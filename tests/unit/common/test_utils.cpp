#include "utils.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

class TestUtils : public QObject
{
    Q_OBJECT

private slots:
    void joinStringList_data();
    void joinStringList();
    void replacePathsWithFileNames_data();
    void replacePathsWithFileNames();
    void addressChecks_data();
    void addressChecks();
    void countryFlagSource_data();
    void countryFlagSource();
    void texts();
    void paths();
    void files();
    void programs();
    void processIsRunning();
};

void TestUtils::joinStringList_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("joined");
    QTest::newRow("blank entry dropped") << QStringList {"a", " ", "b"} << "a,b";
    QTest::newRow("entries kept unchanged") << QStringList {" a ", "", "b"} << " a ,b";
    QTest::newRow("empty") << QStringList {} << "";
    QTest::newRow("only blanks") << QStringList {"\t", "  "} << "";
}

void TestUtils::joinStringList()
{
    QFETCH(QStringList, list);
    QFETCH(QString, joined);
    QCOMPARE(Utils::joinStringList(list, QStringLiteral(",")), joined);
}

void TestUtils::replacePathsWithFileNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reduced");
    QTest::newRow("start command")
        << R"(start: "/opt/Veltrano VPN/openvpn/bin/openvpn" "--config" "/home/u/.local/share/x/general.ovpn")"
        << R"(start: Veltrano openvpn --config general.ovpn)";
    QTest::newRow("plain words") << "init:   connection"
                                 << "init: connection";
    QTest::newRow("quoted paths with blanks") << R"("/tmp/a b/c")"
                                              << "a c";
    QTest::newRow("empty") << ""
                           << "";
}

void TestUtils::replacePathsWithFileNames()
{
    QFETCH(QString, text);
    QFETCH(QString, reduced);
    QCOMPARE(Utils::replacePathsWithFileNames(text), reduced);
}

void TestUtils::addressChecks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("v4");
    QTest::addColumn<bool>("v6");
    QTest::newRow("v4") << "10.1.2.3" << true << false;
    QTest::newRow("v4 empty address") << "0.0.0.0" << true << false;
    QTest::newRow("v6") << "fd00:dead:beef:cafe::1" << false << true;
    QTest::newRow("v6 loopback") << "::1" << false << true;
    QTest::newRow("host name") << "api.example.test" << false << false;
    QTest::newRow("out of range") << "300.1.1.1" << false << false;
    QTest::newRow("empty") << "" << false << false;
}

void TestUtils::addressChecks()
{
    QFETCH(QString, text);
    QFETCH(bool, v4);
    QFETCH(bool, v6);
    QCOMPARE(Utils::isValidIPv4Address(text), v4);
    QCOMPARE(Utils::isValidIPv6Address(text), v6);
}

void TestUtils::countryFlagSource_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("source");
    const QString unknown = Utils::defaultFlag();
    QTest::newRow("upper case") << "DE"
                                << "qrc:/resources/icons/flags/de.png";
    QTest::newRow("lower case") << "fr"
                                << "qrc:/resources/icons/flags/fr.png";
    QTest::newRow("empty") << "" << unknown;
    QTest::newRow("favorites heading") << "*1" << unknown;
    QTest::newRow("recents heading") << "*2" << unknown;
    QTest::newRow("no such flag") << "QQ" << unknown;
    QTest::newRow("path in code") << "../../icons/app/app" << unknown;
}

void TestUtils::countryFlagSource()
{
    QFETCH(QString, code);
    QFETCH(QString, source);
    QCOMPARE(Utils::countryFlagSource(code), source);
    QVERIFY(QFile::exists(Utils::defaultFlag().mid(3)));
}

void TestUtils::texts()
{
    QCOMPARE(Utils::boolString(true), QStringLiteral("true"));
    QCOMPARE(Utils::boolString(false), QStringLiteral("false"));
    QCOMPARE(Utils::quotedString(QStringLiteral("a b")), QStringLiteral("\"a b\""));
    QVERIFY(Utils::emptyIpAddress(QStringLiteral("0.0.0.0")));
    QVERIFY(!Utils::emptyIpAddress(QStringLiteral("0.0.0.1")));
    QCOMPARE(Utils::separatorLine(), QString(80, QLatin1Char('=')));
    QCOMPARE(Utils::fromWString(Utils::toWString(QStringLiteral("Zürich ✓"))), QStringLiteral("Zürich ✓"));
    QCOMPARE(Utils::howToInstallLinuxPackages({QStringLiteral("openvpn")}),
             QStringLiteral(" Please install this package. For example, via 'sudo apt-get install openvpn'"));
    QCOMPARE(Utils::howToInstallLinuxPackages({QStringLiteral("a"), QStringLiteral("b")}),
             QStringLiteral(" Please install these packages. For example, via 'sudo apt-get install a b'"));
}

void TestUtils::paths()
{
    QCOMPARE(Utils::platformExecutable(QStringLiteral("vpn-service"), false), QStringLiteral("vpn-service"));
    QCOMPARE(Utils::platformExecutable(QStringLiteral("vpn-service"), true),
             QCoreApplication::applicationDirPath() + QStringLiteral("/vpn-service"));
    QCOMPARE(Utils::dnsDataFileNamePath(), QStringLiteral("/var/log/Veltrano VPN/dns.dat"));
    const QString data = Utils::programDataPath();
    QVERIFY2(data.startsWith(QDir::homePath() + QLatin1Char('/')), qPrintable(data));
    QVERIFY(data.endsWith(QLatin1String("/Veltrano VPN")));
    QCOMPARE(Utils::urlToLocalFile(QStringLiteral("file:///tmp/a%20b.txt")), QStringLiteral("/tmp/a b.txt"));
}

void TestUtils::files()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString nested = dir.filePath(QStringLiteral("a/b/c"));
    QVERIFY(Utils::makeDirPath(nested));
    QVERIFY(Utils::makeDirPath(nested));

    const QString path = dir.filePath(QStringLiteral("file.txt"));
    QVERIFY(Utils::save(path, QStringLiteral("first\n")));
    Utils::appendSeparatorLine(path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("first\n") + QByteArray(80, '=') + '\n');
    file.close();
    Utils::createEmptyFile(path);
    QCOMPARE(QFileInfo(path).size(), 0);

    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^Utils: Cannot create empty file")));
    Utils::createEmptyFile(dir.filePath(QStringLiteral("missing/x")));
    QVERIFY(!Utils::save(dir.filePath(QStringLiteral("missing/x")), QStringLiteral("x")));

    std::unique_ptr<QTemporaryFile> copy(
        Utils::createTempFile(QStringLiteral(":/resources/icons/flags/de.png")));
    QVERIFY(copy);
    QVERIFY(QFileInfo(copy->fileName()).isAbsolute());
    QVERIFY(copy->size() > 0);
    QTest::ignoreMessage(QtWarningMsg, "Utils: Cannot read local temporary file for path ':/no/such/file'");
    QVERIFY(!Utils::createTempFile(QStringLiteral(":/no/such/file")));
}

void TestUtils::programs()
{
    QVERIFY(Utils::executableExists(QStringLiteral("sh")));
    QVERIFY(!Utils::executableExists(QStringLiteral("no-such-program-anywhere")));
    QCOMPARE(Utils::processOutput(QStringLiteral("echo 'a   b'; echo c"), true), QStringLiteral("a b c"));
    QCOMPARE(Utils::processOutput(QStringLiteral("echo a"), false), QStringLiteral("a\n"));
    QCOMPARE(Utils::processOutput(QStringLiteral("printf 'a\\0b'"), false), QStringLiteral("a"));
}

void TestUtils::processIsRunning()
{
    // A command line unique to this run, so no other process matches.
    const QString marker = QStringLiteral("%1.%2").arg(QCoreApplication::applicationPid()).arg(7919);
    QProcess sleeper;
    sleeper.start(QStringLiteral("sleep"), {marker});
    QVERIFY(sleeper.waitForStarted());
    QVERIFY(Utils::processIsRunning(QStringLiteral("sleep ") + marker, true));
    QVERIFY(!Utils::processIsRunning(QStringLiteral("sleep ") + marker, false));
    sleeper.kill();
    QVERIFY(sleeper.waitForFinished());
    QVERIFY(!Utils::processIsRunning(QStringLiteral("sleep ") + marker, true));
}

QTEST_GUILESS_MAIN(TestUtils)
#include "test_utils.moc"
