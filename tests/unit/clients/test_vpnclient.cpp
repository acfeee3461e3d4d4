#include "vpnclient.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The smallest client: a template path of the test's choice and an edit that
// shows what reaches the file.
class ProbeClient : public VpnClient
{
public:
    using VpnClient::setConnectionState;

    explicit ProbeClient(const QString &templatePath) : m_templatePath(templatePath)
    {
        setObjectName(QStringLiteral("ProbeClient"));
    }
    bool start() override { return true; }
    bool stop() override { return true; }
    bool sendTermSignal() override { return false; }
    QString executableBaseName() const override { return QStringLiteral("probe"); }
    QString resourceFileName() const override { return m_templatePath; }
    QString execPath() const override { return QStringLiteral("/nonexistent/probe-engine"); }
    void updateConfigOptions(QString &config) override
    {
        config.replace(QStringLiteral("<SERVER>"), connectionData().server());
        replaceOptions({QStringLiteral("verb 3"), QStringLiteral("user €uro")}, config);
    }

private:
    QString m_templatePath;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestVpnClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sizeToString_data();
    void sizeToString();
    void replaceOptions_data();
    void replaceOptions();
    void stateRepeatsAreSuppressed();
    void configFileFromTemplate();
    void templateThatCannotBeRead();
    void statisticsAndAccount();
    void logFilePath();

private:
    QTemporaryDir m_dir;
};

void TestVpnClient::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void TestVpnClient::sizeToString_data()
{
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QString>("withUnit");
    QTest::addColumn<QString>("number");
    QTest::newRow("zero") << quint64(0) << "0B"
                          << "0";
    QTest::newRow("below KiB") << quint64(1023) << "1023B"
                               << "1023";
    QTest::newRow("one KiB") << quint64(1024) << "1.0KiB"
                             << "1.0";
    QTest::newRow("top of KiB") << quint64(1048575) << "1024.0KiB"
                                << "1024.0";
    QTest::newRow("one MiB") << quint64(1048576) << "1.0MiB"
                             << "1.0";
    QTest::newRow("1.5 MiB") << quint64(1572864) << "1.5MiB"
                             << "1.5";
    QTest::newRow("one GiB") << quint64(1073741824ULL) << "1.0GiB"
                             << "1.0";
    QTest::newRow("top of GiB") << quint64(1099511627775ULL) << "1024.0GiB"
                                << "1024.0";
    QTest::newRow("one TiB") << quint64(1099511627776ULL) << "1.0TiB"
                             << "1.0";
    QTest::newRow("largest count") << std::numeric_limits<quint64>::max() << "16777216.0TiB"
                                   << "16777216.0";
}

void TestVpnClient::sizeToString()
{
    QFETCH(quint64, bytes);
    QFETCH(QString, withUnit);
    QFETCH(QString, number);
    QCOMPARE(VpnClient::sizeToString(bytes, true), withUnit);
    QCOMPARE(VpnClient::sizeToString(bytes, false), number);
    QCOMPARE(VpnClient::bytesToHumanView(bytes), bytes == 0 ? QStringLiteral("0") : withUnit);
}

void TestVpnClient::replaceOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("result");
    QTest::newRow("two options") << QStringList {"verb 3", "nobind"} << "a\n<ADDITIONAL_DATA>\nb"
                                 << "a\nverb 3\r\nnobind\r\n\nb";
    QTest::newRow("no options") << QStringList {} << "a\n<ADDITIONAL_DATA>\nb"
                                << "a\n\nb";
    QTest::newRow("every placeholder") << QStringList {"x"} << "<ADDITIONAL_DATA><ADDITIONAL_DATA>"
                                       << "x\r\nx\r\n";
    QTest::newRow("case-sensitive") << QStringList {"x"} << "<additional_data>"
                                    << "<additional_data>";
}

void TestVpnClient::replaceOptions()
{
    QFETCH(QStringList, options);
    QFETCH(QString, config);
    QFETCH(QString, result);
    VpnClient::replaceOptions(options, config);
    QCOMPARE(config, result);
}

void TestVpnClient::stateRepeatsAreSuppressed()
{
    ProbeClient client {QString()};
    QCOMPARE(client.connectionStateId(), ConnectionState::Id::Disconnected);
    QSignalSpy spy(&client, &VpnClient::connectionStateChanged);

    client.setConnectionState(ConnectionState::Id::Disconnected, QStringLiteral("ignored"), true);
    QCOMPARE(spy.count(), 0);

    QTest::ignoreMessage(QtInfoMsg, "ProbeClient: ========== ERROR ==========");
    client.setConnectionState(ConnectionState::Id::Error, QStringLiteral("CrashExit"), true);
    client.setConnectionState(ConnectionState::Id::Error, QStringLiteral("again"), false);
    QCOMPARE(spy.count(), 1);
    const QList<QVariant> arguments = spy.takeFirst();
    QCOMPARE(arguments.at(0).value<ConnectionState::Id>(), ConnectionState::Id::Error);
    QCOMPARE(arguments.at(1).toString(), QStringLiteral("CrashExit"));
    QCOMPARE(arguments.at(2).toBool(), true);
    QCOMPARE(arguments.at(3).toString(), QStringLiteral("CrashExit"));
    QCOMPARE(client.connectionStateId(), ConnectionState::Id::Error);
}

void TestVpnClient::configFileFromTemplate()
{
    // Bytes after a NUL never reach the configuration; characters outside
    // Latin-1 are written as "?".
    const QString path = QStringLiteral(":/test/template.conf");

    QString configPath;
    {
        ProbeClient client(path);
        QVERIFY(client.configFilePath().isEmpty());
        client.setConnectionData(ConnectionData(QStringLiteral("u"), QStringLiteral("p"),
                                                QStringLiteral("10.0.0.1"), NetworkProtocol::TCP, 443, true,
                                                false));
        QVERIFY(client.updateConfigFile());
        configPath = client.configFilePath();
        QVERIFY(QFileInfo(configPath).isAbsolute());
        QCOMPARE(readFile(configPath), QByteArray("remote 10.0.0.1\nverb 3\r\nuser ?uro\r\ncaf\xe9\n"));

        // A second file replaces (and removes) the first.
        QVERIFY(client.updateConfigFile());
        QVERIFY(client.configFilePath() != configPath);
        QVERIFY(!QFile::exists(configPath));
        configPath = client.configFilePath();
        QVERIFY(QFile::exists(configPath));
    }
    QVERIFY2(!QFile::exists(configPath), "the configuration file outlived its client");
}

void TestVpnClient::templateThatCannotBeRead()
{
    const QString missing = QStringLiteral(":/test/missing.conf");
    ProbeClient client(missing);
    QSignalSpy spy(&client, &VpnClient::connectionStateChanged);
    QTest::ignoreMessage(
        QtWarningMsg,
        qPrintable(QStringLiteral("Utils: Cannot read local temporary file for path '%1'").arg(missing)));
    QTest::ignoreMessage(QtCriticalMsg, "ProbeClient: Config does not exist or empty!");
    QVERIFY(!client.updateConfigFile());
    QVERIFY(client.configFilePath().isEmpty());
    QCOMPARE(spy.count(), 0);

    ProbeClient noTemplate {QString()};
    QVERIFY(!noTemplate.updateConfigFile());
}

void TestVpnClient::statisticsAndAccount()
{
    ProbeClient client {QString()};
    QSignalSpy spy(&client, &VpnClient::byteCountChanged);
    client.setConnectionStatistics(ConnectionStatistics(1024, 2048));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toULongLong(), quint64(1024));
    QCOMPARE(spy.at(0).at(1).toULongLong(), quint64(2048));
    QCOMPARE(client.connectionStatistics().sent(), quint64(2048));
    QVERIFY(client.supportsKillSwitch());
    QVERIFY(!client.vpnProcessIsRunning());

    const Account account(7, QStringLiteral("alice"), QStringLiteral("Active"), QString(), QString(),
                          QStringLiteral("10.8.0.2/32"), QStringLiteral("key"), QString());
    VpnClient::setAccount(account);
    QCOMPARE(VpnClient::account().userName(), QStringLiteral("alice"));
    QCOMPARE(ProbeClient {QString()}.account().id(), quint64(7));
    VpnClient::setAccount(Account());
}

// Last: the logger takes over the message handler, so no message checks follow.
void TestVpnClient::logFilePath()
{
    ProbeClient client {QString()};
    const QString path = client.logFilePath();
    QVERIFY(!path.isEmpty());
    QVERIFY(path.contains(QStringLiteral("-vpn.log")));
    QVERIFY(!path.contains(QStringLiteral("-app")));
}

QTEST_GUILESS_MAIN(TestVpnClient)
#include "test_vpnclient.moc"
