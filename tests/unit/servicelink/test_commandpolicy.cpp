#include "commandpolicy.h"

#include <QFile>
#include <QtTest>

using Program = CommandPolicy::Program;
Q_DECLARE_METATYPE(CommandPolicy::Program)
Q_DECLARE_METATYPE(CommandPolicy::Effect)

namespace {
const QString dir = QStringLiteral("/opt/vpn");

QStringList openVpn(const QString &program = dir + "/openvpn/bin/openvpn")
{
    return {program,
            "--config",
            "/home/u/.local/share/vpn/config/general.ovpn",
            "--management",
            "127.0.0.1",
            "61973",
            "--management-query-passwords",
            "--management-client",
            "--log-append",
            "/home/u/.local/share/vpn/logs/x-vpn.log"};
}

QByteArray deploymentFile(const QString &name)
{
    QFile file(QStringLiteral(VPN_SOURCE_DIR "/deployment/lab/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList replaced(QStringList words, int index, const QString &value)
{
    words[index] = value;
    return words;
}
} // namespace

class TestCommandPolicy : public QObject
{
    Q_OBJECT

private slots:
    void check_data();
    void check();
    void openVpnDecision();
    void effects_data();
    void effects();
    void openVpnConfig_data();
    void openVpnConfig();
    void wireGuardConfig_data();
    void wireGuardConfig();
};

void TestCommandPolicy::check_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<Program>("program");
    QTest::addColumn<QString>("name");

    const QString dns = dir + "/dns";
    const QString killSwitch = dir + "/killswitch";
    const QString wireGuard = dir + "/wireguard/bin/wireguard-service";
    const QString wgConf = "/home/u/.local/share/vpn/config/wg-veltranovpn.conf";

    // Programs
    QTest::newRow("openvpn") << openVpn() << true << Program::OpenVpn << "openvpn";
    QTest::newRow("openvpn through ..")
        << openVpn(dir + "/openvpn/../openvpn/bin/./openvpn") << true << Program::OpenVpn << "openvpn";
    QTest::newRow("system openvpn") << openVpn("/usr/sbin/openvpn") << false << Program::None << "openvpn";
    QTest::newRow("escape with ..") << QStringList {dir + "/../../bin/sh", "-c", "id"} << false
                                    << Program::None << "sh";
    QTest::newRow("shell") << QStringList {"/bin/sh", "-c", "id"} << false << Program::None << "sh";
    QTest::newRow("relative path") << QStringList {"dns", "reset"} << false << Program::None << "dns";
    QTest::newRow("the service itself")
        << QStringList {dir + "/vpn-service"} << false << Program::None << "vpn-service";
    QTest::newRow("directory") << QStringList {dir + "/dns/", "reset"} << false << Program::None << "";
    QTest::newRow("empty") << QStringList {} << false << Program::None << "";
    QTest::newRow("name cannot break a report")
        << QStringList {"/tmp/a,b\nc"} << false << Program::None << "a_b_c";

    // OpenVPN arguments
    QTest::newRow("openvpn without arguments")
        << QStringList {dir + "/openvpn/bin/openvpn"} << false << Program::OpenVpn << "openvpn";
    QTest::newRow("openvpn extra argument") << (openVpn() << "--up"
                                                          << "/tmp/x")
                                            << false << Program::OpenVpn << "openvpn";
    QTest::newRow("openvpn other management host")
        << replaced(openVpn(), 4, "0.0.0.0") << false << Program::OpenVpn << "openvpn";
    QTest::newRow("openvpn other management port")
        << replaced(openVpn(), 5, "7505") << false << Program::OpenVpn << "openvpn";
    QTest::newRow("openvpn option in place of log")
        << replaced(openVpn(), 8, "--script-security") << false << Program::OpenVpn << "openvpn";
    QTest::newRow("openvpn relative config")
        << replaced(openVpn(), 2, "general.ovpn") << false << Program::OpenVpn << "openvpn";
    QTest::newRow("openvpn config path with line feed")
        << replaced(openVpn(), 2, "/tmp/a\nb") << false << Program::OpenVpn << "openvpn";

    // WireGuard
    QTest::newRow("wireguard") << QStringList {wireGuard, "--add", wgConf, "--port", "61976"} << true
                               << Program::WireGuard << "wireguard-service";
    QTest::newRow("wireguard other port") << QStringList {wireGuard, "--add", wgConf, "--port", "22"} << false
                                          << Program::WireGuard << "wireguard-service";
    QTest::newRow("wireguard odd file name")
        << QStringList {wireGuard, "--add", "/tmp/wg 0;.conf", "--port", "61976"} << false
        << Program::WireGuard << "wireguard-service";
    QTest::newRow("wireguard naming its user")
        << QStringList {wireGuard, "--add", wgConf, "--port", "61976", "--uid", "0"} << false
        << Program::WireGuard << "wireguard-service";
    QTest::newRow("wireguard swapped") << QStringList {wireGuard, "--port", "61976", "--add", wgConf} << false
                                       << Program::WireGuard << "wireguard-service";

    // Kill switch
    QTest::newRow("killswitch enable local") << QStringList {killSwitch, "enable", "all", "10.8.0.1", "local"}
                                             << true << Program::KillSwitch << "killswitch";
    QTest::newRow("killswitch enable empty") << QStringList {killSwitch, "enable", "all", "10.8.0.1", ""}
                                             << true << Program::KillSwitch << "killswitch";
    QTest::newRow("killswitch enable IPv6") << QStringList {killSwitch, "enable", "all", "2001:db8::1", ""}
                                            << true << Program::KillSwitch << "killswitch";
    QTest::newRow("killswitch disable")
        << QStringList {killSwitch, "disable", "all"} << true << Program::KillSwitch << "killswitch";
    QTest::newRow("killswitch host name") << QStringList {killSwitch, "enable", "all", "example.com", ""}
                                          << false << Program::KillSwitch << "killswitch";
    QTest::newRow("killswitch short address") << QStringList {killSwitch, "enable", "all", "10.1", ""}
                                              << false << Program::KillSwitch << "killswitch";
    QTest::newRow("killswitch rule text") << QStringList {killSwitch, "enable", "all", "10.8.0.1", "accept"}
                                          << false << Program::KillSwitch << "killswitch";
    QTest::newRow("killswitch missing last") << QStringList {killSwitch, "enable", "all", "10.8.0.1"} << false
                                             << Program::KillSwitch << "killswitch";
    QTest::newRow("killswitch disable extra")
        << QStringList {killSwitch, "disable", "all", "x"} << false << Program::KillSwitch << "killswitch";

    // DNS tool
    QTest::newRow("dns reset") << QStringList {dns, "reset"} << true << Program::Dns << "dns";
    QTest::newRow("dns reset extra") << QStringList {dns, "reset", "eth0@"} << false << Program::Dns << "dns";
    QTest::newRow("dns user") << QStringList {dns, "user", "eth0@192.168.1.1,fe80::1", "wlan0@"} << true
                              << Program::Dns << "dns";
    QTest::newRow("dns user none") << QStringList {dns, "user"} << true << Program::Dns << "dns";
    QTest::newRow("dns vpn") << QStringList {dns, "vpn", "eth0@172.16.0.1,"} << true << Program::Dns << "dns";
    QTest::newRow("dns vpn both") << QStringList {dns, "vpn", "eth0@172.16.0.1,fd00:dead:beef:cafe::1"}
                                  << true << Program::Dns << "dns";
    QTest::newRow("dns vpn stealth") << QStringList {dns, "vpn", "eth0@172.16.0.1,", "stealth:198.51.100.7"}
                                     << true << Program::Dns << "dns";
    QTest::newRow("dns stealth not last")
        << QStringList {dns, "vpn", "stealth:198.51.100.7", "eth0@172.16.0.1,"} << false << Program::Dns
        << "dns";
    QTest::newRow("dns stealth host")
        << QStringList {dns, "vpn", "stealth:evil;rm"} << false << Program::Dns << "dns";
    QTest::newRow("dns user stealth")
        << QStringList {dns, "user", "stealth:198.51.100.7"} << false << Program::Dns << "dns";
    QTest::newRow("dns bad address") << QStringList {dns, "vpn", "eth0@1.2.3.4;id"} << false << Program::Dns
                                     << "dns";
    QTest::newRow("dns device with slash")
        << QStringList {dns, "vpn", "../x@1.2.3.4"} << false << Program::Dns << "dns";
    QTest::newRow("dns unknown word") << QStringList {dns, "flush"} << false << Program::Dns << "dns";
    QTest::newRow("dns nothing") << QStringList {dns} << false << Program::Dns << "dns";
    QStringList many {dns, "user"};
    for (int i = 0; i <= CommandPolicy::maxDnsEntries; ++i)
        many << QStringLiteral("eth%1@").arg(i);
    QTest::newRow("dns too many entries") << many << false << Program::Dns << "dns";
}

void TestCommandPolicy::check()
{
    QFETCH(QStringList, words);
    QFETCH(bool, allowed);
    const CommandPolicy::Decision decision = CommandPolicy(dir).check(words);
    QCOMPARE(decision.allowed, allowed);
    QCOMPARE(decision.reason.isEmpty(), allowed);
    QTEST(decision.program, "program");
    QTEST(decision.name, "name");
    if (allowed) {
        QCOMPARE(decision.executable, CommandPolicy(dir).executablePath(decision.program));
        QCOMPARE(decision.arguments, words.mid(1));
    }
}

void TestCommandPolicy::openVpnDecision()
{
    const CommandPolicy policy(dir + "/");
    const CommandPolicy::Decision decision = policy.check(openVpn());
    QVERIFY(decision.allowed);
    QCOMPARE(decision.executable, dir + "/openvpn/bin/openvpn");
    QCOMPARE(decision.configPath, QStringLiteral("/home/u/.local/share/vpn/config/general.ovpn"));
    QCOMPARE(decision.logPath, QStringLiteral("/home/u/.local/share/vpn/logs/x-vpn.log"));
    const QStringList run = CommandPolicy::openVpnArguments("/tmp/copy/general.ovpn");
    QCOMPARE(run.mid(0, 2), (QStringList {"--config", "/tmp/copy/general.ovpn"}));
    QCOMPARE(run.mid(run.size() - 2), (QStringList {"--script-security", "1"}));
    QVERIFY(!run.contains("--log-append"));
    QCOMPARE(CommandPolicy::wireGuardArguments("/tmp/copy/wg.conf", 1000),
             (QStringList {"--add", "/tmp/copy/wg.conf", "--port", "61976", "--uid", "1000"}));
}

void TestCommandPolicy::effects_data()
{
    using Effect = CommandPolicy::Effect;
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<Effect>("effect");
    QTest::newRow("openvpn") << openVpn() << Effect::Tunnel;
    QTest::newRow("wireguard") << QStringList {dir + "/wireguard/bin/wireguard-service", "--add",
                                               "/tmp/wg0.conf", "--port", "61976"}
                               << Effect::Tunnel;
    QTest::newRow("dns vpn") << QStringList {dir + "/dns", "vpn", "eth0@172.16.0.1,"} << Effect::SwitchDns;
    QTest::newRow("dns user") << QStringList {dir + "/dns", "user", "eth0@192.168.1.1"} << Effect::RestoreDns;
    QTest::newRow("dns reset") << QStringList {dir + "/dns", "reset"} << Effect::RestoreDns;
    QTest::newRow("killswitch enable")
        << QStringList {dir + "/killswitch", "enable", "all", "10.8.0.1", ""} << Effect::EnableKillSwitch;
    QTest::newRow("killswitch disable")
        << QStringList {dir + "/killswitch", "disable", "all"} << Effect::DisableKillSwitch;
}

void TestCommandPolicy::effects()
{
    QFETCH(QStringList, words);
    const CommandPolicy::Decision decision = CommandPolicy(dir).check(words);
    QVERIFY2(decision.allowed, qPrintable(decision.reason));
    QTEST(decision.effect, "effect");
}

void TestCommandPolicy::openVpnConfig_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<bool>("allowed");

    const QByteArray base = "client\r\ndev tun\r\nremote 198.51.100.7 1194 udp\r\nauth-user-pass\r\n"
                            "pull-filter ignore 'redirect-gateway ipv6'\r\nverb 3\r\n";
    QTest::newRow("plain client") << base << true;
    QTest::newRow("inline key material") << base + "<ca>\n" + deploymentFile("ca.crt")
            + "</ca>\n<tls-crypt>\n" + deploymentFile("tls-crypt.key")
            + "</tls-crypt>\n" << true;
    QTest::newRow("key material with lines of its own")
        << base + "<ca>\n-----BEGIN CERTIFICATE-----\nup\nMIIB\n-----END CERTIFICATE-----\n</ca>\n"
        << false;
    QTest::newRow("comments") << base + "# up /bin/sh\n; plugin x.so\n" << true;
    QTest::newRow("connection block") << base + "<connection>\nremote 10.0.0.1 443 tcp\n</connection>\n"
                                      << false;
    QTest::newRow("up") << base + "up /tmp/x.sh\n" << false;
    QTest::newRow("up after blanks") << base + "  \tup /tmp/x.sh\n" << false;
    QTest::newRow("double dash") << base + "--up /tmp/x.sh\n" << false;
    QTest::newRow("quoted") << base + "\"up\" /tmp/x.sh\n" << false;
    QTest::newRow("single quoted dash") << base + "'--route-up' /tmp/x.sh\n" << false;
    QTest::newRow("escaped") << base + "u\\p /tmp/x.sh\n" << false;
    QTest::newRow("upper case") << base + "UP /tmp/x.sh\n" << false;
    QTest::newRow("down") << base + "down /tmp/x.sh\n" << false;
    QTest::newRow("route-up") << base + "route-up /tmp/x.sh\n" << false;
    QTest::newRow("ipchange") << base + "ipchange /tmp/x.sh\n" << false;
    QTest::newRow("tls-verify") << base + "tls-verify /tmp/x.sh\n" << false;
    QTest::newRow("auth-user-pass-verify") << base + "auth-user-pass-verify /tmp/x.sh via-env\n" << false;
    QTest::newRow("client-connect") << base + "client-connect /tmp/x.sh\n" << false;
    QTest::newRow("learn-address") << base + "learn-address /tmp/x.sh\n" << false;
    QTest::newRow("plugin") << base + "plugin /tmp/x.so\n" << false;
    QTest::newRow("script-security") << base + "script-security 3\n" << false;
    QTest::newRow("setenv") << base + "setenv FOO bar\n" << false;
    QTest::newRow("management") << base + "management 0.0.0.0 7505\n" << false;
    QTest::newRow("management option") << base + "management-hold\n" << false;
    QTest::newRow("iproute") << base + "iproute /tmp/x.sh\n" << false;
    QTest::newRow("nested config") << base + "config /tmp/other.ovpn\n" << false;
    QTest::newRow("log file") << base + "log-append /etc/cron.d/x\n" << false;
    QTest::newRow("status file") << base + "status /etc/passwd\n" << false;
    QTest::newRow("writepid") << base + "writepid /etc/passwd\n" << false;
    QTest::newRow("daemon") << base + "daemon\n" << false;
    QTest::newRow("openssl engine") << base + "engine dynamic\n" << false;
    QTest::newRow("providers") << base + "providers /tmp/evil\n" << false;
    QTest::newRow("pkcs11 provider") << base + "pkcs11-providers /tmp/x.so\n" << false;
    QTest::newRow("up inside connection") << base + "<connection>\nup /tmp/x.sh\n</connection>\n" << false;
    QTest::newRow("up as inline block") << base + "<up>\n/tmp/x.sh\n</up>\n" << false;
    QTest::newRow("unclosed block") << base + "<ca>\nMIIB\n" << false;
    QTest::newRow("close without open") << base + "</ca>\n" << false;
    QTest::newRow("line split by OpenVPN") << base + "remote " + QByteArray(250, 'a') + "up /tmp/x.sh\n"
                                           << false;
    QTest::newRow("NUL byte") << base + QByteArray("verb 3\0up /tmp/x\n", 17) << false;
}

void TestCommandPolicy::openVpnConfig()
{
    QFETCH(QByteArray, config);
    QFETCH(bool, allowed);
    QByteArray canonical;
    QString problem;
    const bool passed = CommandPolicy::canonicalConfig(Program::OpenVpn, config, &canonical, &problem);
    QVERIFY2(passed == allowed, qPrintable(problem));
    QCOMPARE(problem.isEmpty(), allowed);
    // What OpenVPN runs is the service's text: no comment, no line of the client's survives as written.
    if (passed)
        QVERIFY(!canonical.contains('#') && !canonical.contains('\r'));
}

void TestCommandPolicy::wireGuardConfig_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<bool>("allowed");

    const QByteArray base = "[Interface]\nPrivateKey = YJtGcgwNBgv4ZVBmdOWwVuVo7z1wG4H1nO8zZbN1h2M=\n"
                            "Address = 10.9.0.2/32\nDNS = 172.16.0.1\n\n"
                            "[Peer]\nPublicKey = Q2xpZW50UGVlcktleUZvclRlc3RzT25seTAwMDAwMDA=\n"
                            "AllowedIPs = 0.0.0.0/0, ::/0\nEndpoint = 198.51.100.7:55888\n";
    QTest::newRow("plain") << base << true;
    QTest::newRow("loopback through the tunnel")
        << QByteArray(base).replace("0.0.0.0/0, ::/0", "127.0.0.0/8") << false;
    QTest::newRow("half the internet, loopback included")
        << QByteArray(base).replace("0.0.0.0/0, ::/0", "0.0.0.0/1, 128.0.0.0/1") << false;
    QTest::newRow("link-local") << QByteArray(base).replace("0.0.0.0/0, ::/0", "169.254.0.0/16") << false;
    QTest::newRow("IPv6 link-local") << QByteArray(base).replace(", ::/0", ", fe80::/64") << false;
    QTest::newRow("IPv6 loopback") << QByteArray(base).replace(", ::/0", ", ::1/128") << false;
    QTest::newRow("loopback tunnel address")
        << QByteArray(base).replace("10.9.0.2/32", "127.0.0.2/32") << false;
    QTest::newRow("unknown key") << base + "Table = off\n" << false;
    QTest::newRow("second interface") << base + "[Interface]\nAddress = 10.9.0.3/32\n" << false;
    QTest::newRow("PostUp") << base + "PostUp = sh -c id\n" << false;
    QTest::newRow("preup with blanks") << base + "  preup=id\n" << false;
    QTest::newRow("PreDown") << base + "PreDown = id\n" << false;
    QTest::newRow("PostDown") << base + "PostDown = id\n" << false;
    QTest::newRow("SaveConfig") << base + "SaveConfig = true\n" << false;
    QTest::newRow("NUL byte") << base + QByteArray("\0", 1) << false;
}

void TestCommandPolicy::wireGuardConfig()
{
    QFETCH(QByteArray, config);
    QFETCH(bool, allowed);
    QByteArray canonical;
    QString problem;
    QVERIFY2(CommandPolicy::canonicalConfig(Program::WireGuard, config, &canonical, &problem) == allowed,
             qPrintable(problem));
    if (allowed) {
        // The canonical text reads back to itself.
        QByteArray again;
        QVERIFY(CommandPolicy::canonicalConfig(Program::WireGuard, canonical, &again, &problem));
        QCOMPARE(again, canonical);
    }
}

QTEST_GUILESS_MAIN(TestCommandPolicy)
#include "test_commandpolicy.moc"
