#include "openvpnconfig.h"
#include "openvpnoptions.h"

#include <QFile>
#include <QtTest>

namespace {
using Words = QList<QByteArray>;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A template as the build embeds it, filled in the way the client fills it.
QByteArray clientConfig(const QString &templateName, const QByteArray &remote, const QByteArray &options)
{
    QByteArray text = readFile(QStringLiteral(VPN_APP_DIR "/../src/clients/config/") + templateName);
    text.replace("<SERVER> <PORT> <PROTOCOL>", remote);
    text.replace("<ADDITIONAL_DATA>", options);
    return text;
}

const QByteArray minimal = "client\ndev tun\nremote 198.51.100.7 1194 udp\n";

QString problemOf(const QByteArray &text)
{
    OpenVpnConfig config;
    QString error;
    return OpenVpnConfig::parse(text, &config, &error) ? QString() : error;
}
} // namespace

// The configuration reader follows OpenVPN's own way of splitting a file, and
// the allow-list passes exactly what the client writes.
class TestOpenVpnConfig : public QObject
{
    Q_OBJECT

private slots:
    void splitLine_data();
    void splitLine();
    void clientConfigurations_data();
    void clientConfigurations();
    void refusals_data();
    void refusals();
    void canonicalForm();
};

void TestOpenVpnConfig::splitLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<Words>("words");

    QTest::newRow("plain") << QByteArray("remote 10.0.0.1 1194 udp") << true
                           << Words {"remote", "10.0.0.1", "1194", "udp"};
    QTest::newRow("every C white space")
        << QByteArray("a\tb\rc\vd\fe f") << true << Words {"a", "b", "c", "d", "e", "f"};
    QTest::newRow("double quotes group") << QByteArray("x \"a b\" c") << true << Words {"x", "a b", "c"};
    QTest::newRow("escaped quote inside quotes") << QByteArray("x \"a\\\"b\"") << true << Words {"x", "a\"b"};
    QTest::newRow("single quotes take backslashes as they are")
        << QByteArray("x 'a\\b'") << true << Words {"x", "a\\b"};
    QTest::newRow("a quote ends a word")
        << QByteArray("\"plugin\"/tmp/x.so") << true << Words {"plugin", "/tmp/x.so"};
    QTest::newRow("a quote inside a word is kept") << QByteArray("ab\"cd\"") << true << Words {"ab\"cd\""};
    QTest::newRow("escaped blank joins") << QByteArray("a\\ b c") << true << Words {"a b", "c"};
    QTest::newRow("escaped backslash") << QByteArray("a\\\\b") << true << Words {"a\\b"};
    QTest::newRow("comment after words") << QByteArray("verb 3 # note") << true << Words {"verb", "3"};
    QTest::newRow("semicolon comment") << QByteArray("  ;plugin x") << true << Words {};
    QTest::newRow("escaped hash still a comment") << QByteArray("\\#plugin x") << true << Words {};
    QTest::newRow("hash inside a word") << QByteArray("a#b") << true << Words {"a#b"};
    QTest::newRow("empty quoted word") << QByteArray("x \"\"") << true << Words {"x", ""};
    QTest::newRow("bad escape") << QByteArray("pl\\ugin x") << false << Words {};
    QTest::newRow("unclosed double quote") << QByteArray("x \"a b") << false << Words {};
    QTest::newRow("unclosed single quote") << QByteArray("x 'a b") << false << Words {};
    QTest::newRow("trailing backslash") << QByteArray("x a\\") << false << Words {};
    QTest::newRow("more than 15 words") << QByteArray("a b c d e f g h i j k l m n o p") << false << Words {};
}

void TestOpenVpnConfig::splitLine()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, valid);
    Words words;
    QString error;
    QCOMPARE(OpenVpnOptions::splitLine(line, &words, &error), valid);
    if (valid)
        QTEST(words, "words");
    else
        QVERIFY(!error.isEmpty());
}

void TestOpenVpnConfig::clientConfigurations_data()
{
    QTest::addColumn<QByteArray>("text");
    const QByteArray ipv6Off = "pull-filter ignore ifconfig-ipv6\npull-filter ignore route-ipv6\n"
                               "pull-filter ignore 'redirect-gateway ipv6'\n";
    QTest::newRow("UDP") << clientConfig("general.ovpn", "10.200.1.1 1194 udp",
                                         "verb 3\nmute-replay-warnings\nreplay-window 256\n" + ipv6Off);
    QTest::newRow("UDP with IPv6, debug") << clientConfig(
        "general.ovpn", "10.200.1.1 1194 udp", "verb 6\nmute-replay-warnings\nreplay-window 256\n");
    QTest::newRow("TCP") << clientConfig("general.ovpn", "10.200.1.1 443 tcp", "verb 3\n" + ipv6Off);
    QTest::newRow("Stealth") << clientConfig("stunnel.ovpn", "", "verb 3\n" + ipv6Off);
}

void TestOpenVpnConfig::clientConfigurations()
{
    QFETCH(QByteArray, text);
    QVERIFY(text.contains("BEGIN CERTIFICATE"));
    QCOMPARE(problemOf(text), QString());
}

void TestOpenVpnConfig::refusals_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason");

    // Refused directives in disguise: every way OpenVPN itself would still read them.
    QTest::newRow("carriage return as separator") << minimal + "verb 3\rplugin /tmp/x.so\n"
                                                  << "line 4";
    QTest::newRow("vertical tab") << minimal + "plugin\v/tmp/x.so\n"
                                  << "'plugin' is not allowed";
    QTest::newRow("form feed") << minimal + "\fplugin /tmp/x.so\n"
                               << "'plugin' is not allowed";
    QTest::newRow("quote ends the word") << minimal + "\"plugin\"/tmp/x.so\n"
                                         << "'plugin' is not allowed";
    QTest::newRow("single quotes") << minimal + "'plugin' /tmp/x.so\n"
                                   << "'plugin' is not allowed";
    QTest::newRow("escaped blank") << minimal + "plugin\\ /tmp/x.so\n"
                                   << "is not allowed";
    QTest::newRow("double dash") << minimal + "--plugin /tmp/x.so\n"
                                 << "'plugin' is not allowed";
    QTest::newRow("byte-order mark") << "\xEF\xBB\xBFplugin /tmp/x.so\n" + minimal
                                     << "line 1: directive 'plugin'";
    QTest::newRow("bare carriage-return lines") << QByteArray(minimal).replace('\n', '\r') + "plugin x\r"
                                                << "line 1";
    QTest::newRow("config") << minimal + "config /tmp/other.ovpn\n"
                            << "'config' is not allowed";
    QTest::newRow("writepid") << minimal + "writepid /etc/passwd\n"
                              << "'writepid' is not allowed";
    QTest::newRow("status") << minimal + "'status' /etc/passwd\n"
                            << "'status' is not allowed";
    QTest::newRow("log-append") << minimal + "log-append /etc/cron.d/x\n"
                                << "'log-append' is not allowed";
    // Files written or read as root and handed to a peer.
    QTest::newRow("replay-persist") << minimal + "replay-persist /etc/x\n"
                                    << "not allowed";
    QTest::newRow("tls-export-cert") << minimal + "tls-export-cert /etc\n"
                                     << "not allowed";
    QTest::newRow("ca from a file") << minimal + "ca /root/secret\n"
                                    << "only as an inline block";
    QTest::newRow("tls-crypt from a file") << minimal + "tls-crypt /etc/shadow\n"
                                           << "only as an inline block";
    QTest::newRow("tls-auth from a file") << minimal + "tls-auth /etc/shadow 1\n"
                                          << "not allowed";
    QTest::newRow("auth-user-pass from a file") << minimal + "auth-user-pass /etc/shadow\n"
                                                << "argument";
    QTest::newRow("askpass") << minimal + "askpass /etc/shadow\n"
                             << "not allowed";
    QTest::newRow("secret") << minimal + "secret /etc/shadow\n"
                            << "not allowed";
    QTest::newRow("http-proxy with a password file") << minimal + "http-proxy 10.0.0.1 8080 /etc/shadow\n"
                                                     << "not allowed";
    QTest::newRow("cert") << minimal + "cert /etc/ssl/private/x\n"
                          << "not allowed";
    QTest::newRow("crl-verify") << minimal + "crl-verify /etc/shadow\n"
                                << "not allowed";
    // Devices, addresses and routes nobody asked for.
    QTest::newRow("tap device") << QByteArray(minimal).replace("dev tun", "dev tap") << "argument 1 of 'dev'";
    QTest::newRow("named device") << QByteArray(minimal).replace("dev tun", "dev eth0")
                                  << "argument 1 of 'dev'";
    QTest::newRow("dev-node") << minimal + "dev-node /dev/sda\n"
                              << "not allowed";
    QTest::newRow("mktun") << minimal + "mktun\n"
                           << "not allowed";
    QTest::newRow("rmtun") << minimal + "rmtun\n"
                           << "not allowed";
    QTest::newRow("route") << minimal + "route 10.0.0.0 255.0.0.0 net_gateway\n"
                           << "'route' is not allowed";
    QTest::newRow("route-ipv6") << minimal + "route-ipv6 ::/0\n"
                                << "not allowed";
    QTest::newRow("ifconfig") << minimal + "ifconfig 10.0.0.1 10.0.0.2\n"
                              << "not allowed";
    QTest::newRow("lladdr") << minimal + "lladdr 00:11:22:33:44:55\n"
                            << "not allowed";
    QTest::newRow("redirect-gateway") << minimal + "redirect-gateway def1\n"
                                      << "not allowed";
    // Argument shapes.
    QTest::newRow("remote with a command")
        << QByteArray(minimal).replace("198.51.100.7", "$(id)") << "argument 1";
    QTest::newRow("verb out of range") << minimal + "verb 99\n"
                                       << "argument 1 of 'verb'";
    QTest::newRow("pull-filter with a quote") << minimal + "pull-filter ignore \"a\\\"b\"\n"
                                              << "argument 2";
    // Inline blocks.
    QTest::newRow("plugin as a block") << minimal + "<plugin>\n/tmp/x.so\n</plugin>\n"
                                       << "inline block 'plugin' is not allowed";
    QTest::newRow("connection block") << minimal + "<connection>\nremote 10.0.0.1\n</connection>\n"
                                      << "inline block 'connection'";
    QTest::newRow("quoted block name") << minimal + "\"<plugin>\"\nx\n</plugin>\n"
                                       << "inline block 'plugin'";
    QTest::newRow("ca with text") << minimal + "<ca>\nplugin /tmp/x.so\n</ca>\n"
                                  << "the 'ca' block is refused";
    QTest::newRow("short static key") << minimal
            + "<tls-crypt>\n-----BEGIN OpenVPN Static key V1-----\n0011\n"
              "-----END OpenVPN Static key V1-----\n</tls-crypt>\n"
                                      << "the 'tls-crypt' block is refused";
    QTest::newRow("unclosed block") << minimal + "<ca>\nMIIB\n"
                                    << "not closed";
    // Whole-file rules.
    QTest::newRow("no remote") << QByteArray("client\ndev tun\n") << "lacks";
    QTest::newRow("long line") << minimal + "verb 3 " + QByteArray(250, ' ') + "\n"
                               << "too long";
    QTest::newRow("NUL byte") << minimal + QByteArray("verb 3\0plugin x\n", 16) << "NUL";
    QTest::newRow("case matters") << minimal + "Client\n"
                                  << "'Client' is not allowed";
}

void TestOpenVpnConfig::refusals()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    const QString problem = problemOf(text);
    QVERIFY2(problem.contains(reason), qPrintable(problem));
}

void TestOpenVpnConfig::canonicalForm()
{
    const QByteArray text = clientConfig("general.ovpn", "\"10.200.1.1\" '1194' udp # comment",
                                         "--verb 3\r\npull-filter ignore 'redirect-gateway ipv6'\n");
    OpenVpnConfig config;
    QString error;
    QVERIFY2(OpenVpnConfig::parse(text, &config, &error), qPrintable(error));
    const QByteArray canonical = config.canonicalText();
    QVERIFY(canonical.contains("\nremote 10.200.1.1 1194 udp\n"));
    QVERIFY(canonical.contains("\nverb 3\n"));
    QVERIFY(canonical.contains("\npull-filter ignore \"redirect-gateway ipv6\"\n"));
    QVERIFY(canonical.contains("\nremote-cert-eku \"TLS Web Server Authentication\"\n"));
    QVERIFY(!canonical.contains('#') && !canonical.contains('\r'));

    // Read back, the canonical text gives the same options.
    OpenVpnConfig again;
    QVERIFY(OpenVpnConfig::parse(canonical, &again, &error));
    QCOMPARE(again.canonicalText(), canonical);
    QCOMPARE(again.options().size(), config.options().size());
    for (int i = 0; i < config.options().size(); ++i) {
        QCOMPARE(again.options().at(i).name, config.options().at(i).name);
        QCOMPARE(again.options().at(i).arguments, config.options().at(i).arguments);
        QCOMPARE(again.options().at(i).body, config.options().at(i).body);
    }
}

QTEST_GUILESS_MAIN(TestOpenVpnConfig)
#include "test_openvpnconfig.moc"
