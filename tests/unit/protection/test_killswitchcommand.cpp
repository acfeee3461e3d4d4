#include "killswitchcommand.h"
#include "killswitchrules.h"

#include <QtTest>

class TestKillSwitchCommand : public QObject
{
    Q_OBJECT

private slots:
    void valid_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("local");
        QTest::newRow("enable, local devices")
            << QStringList {"enable", "all", "198.51.100.10", "local"} << true << "198.51.100.10" << true;
        QTest::newRow("enable, empty last argument")
            << QStringList {"enable", "all", "198.51.100.10", ""} << true << "198.51.100.10" << false;
        QTest::newRow("enable, no last argument")
            << QStringList {"enable", "all", "198.51.100.10"} << true << "198.51.100.10" << false;
        QTest::newRow("enable, IPv6 server")
            << QStringList {"enable", "all", "2001:DB8::10", ""} << true << "2001:db8::10" << false;
        QTest::newRow("disable") << QStringList {"disable", "all"} << false << QString() << false;
    }
    void valid()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, enable);
        QFETCH(QString, server);
        QFETCH(bool, local);
        KillSwitchCommand command;
        QString error;
        QVERIFY2(KillSwitchCommand::parse(arguments, &command, &error), qPrintable(error));
        QCOMPARE(command.enable(), enable);
        QCOMPARE(command.server().toString(), server);
        QCOMPARE(command.allowLocalNetworks(), local);
    }

    void invalid_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("unknown verb") << QStringList {"flush", "all"};
        QTest::newRow("missing scope") << QStringList {"disable"};
        QTest::newRow("other scope") << QStringList {"enable", "ipv4", "198.51.100.10"};
        QTest::newRow("missing server") << QStringList {"enable", "all"};
        QTest::newRow("host name") << QStringList {"enable", "all", "vpn.example.com"};
        QTest::newRow("rule injection") << QStringList {"enable", "all", "1.2.3.4 accept; flush ruleset"};
        QTest::newRow("network instead of address") << QStringList {"enable", "all", "10.0.0.0/8"};
        QTest::newRow("unspecified address") << QStringList {"enable", "all", "0.0.0.0"};
        QTest::newRow("multicast address") << QStringList {"enable", "all", "ff02::1"};
        QTest::newRow("unknown option") << QStringList {"enable", "all", "198.51.100.10", "lan"};
        QTest::newRow("too many arguments") << QStringList {"enable", "all", "198.51.100.10", "local", "x"};
        QTest::newRow("disable with more") << QStringList {"disable", "all", "198.51.100.10"};
    }
    void invalid()
    {
        QFETCH(QStringList, arguments);
        KillSwitchCommand command;
        QString error;
        QVERIFY(!KillSwitchCommand::parse(arguments, &command, &error));
        QVERIFY(!error.isEmpty());
    }

    void enableScript()
    {
        const QString table = KillSwitchRules::tableName();
        QVERIFY(table.endsWith("_killswitch"));
        const QString strict
            = QString::fromUtf8(KillSwitchRules::enableScript(QHostAddress("198.51.100.10"), false));
        // Replaces the table in the same transaction.
        QVERIFY(strict.startsWith(
            QStringLiteral("table inet %1\ndelete table inet %1\ntable inet %1 {").arg(table)));
        QCOMPARE(strict.count("policy drop;"), 3);
        QVERIFY(strict.contains("oifname \"tun*\" accept"));
        QVERIFY(strict.contains("ip daddr 198.51.100.10 accept"));
        QVERIFY(strict.contains("ip saddr 198.51.100.10 accept"));
        QVERIFY(!strict.contains("192.168.0.0/16"));
        QVERIFY(!strict.contains("fe80::/10"));

        const QString local
            = QString::fromUtf8(KillSwitchRules::enableScript(QHostAddress("2001:db8::10"), true));
        QVERIFY(local.contains("ip6 daddr 2001:db8::10 accept"));
        QVERIFY(local.contains("ip daddr { 10.0.0.0/8, 172.16.0.0/12, 192.168.0.0/16"));
        QVERIFY(local.contains("ip6 daddr { fe80::/10, fc00::/7, ff00::/8 } accept"));
        // Forwarded traffic is never let through by a private source address.
        const QString forward = local.mid(local.indexOf("chain forward"));
        QVERIFY(!forward.contains("saddr {"));
    }

    void disableScript()
    {
        const QString table = KillSwitchRules::tableName();
        QCOMPARE(QString::fromUtf8(KillSwitchRules::disableScript()),
                 QStringLiteral("table inet %1\ndelete table inet %1\n").arg(table));
    }

    void applyFailures()
    {
        KillSwitchCommand command;
        QString error;
        QVERIFY(KillSwitchCommand::parse({"disable", "all"}, &command, &error));
        QCOMPARE(command.apply(QString(), &error), int(KillSwitchCommand::Failure));
        QVERIFY(error.contains("nftables"));
        error.clear();
        QCOMPARE(command.apply("/nonexistent/nft", &error), int(KillSwitchCommand::Failure));
        QVERIFY(!error.isEmpty());
        error.clear();
        QCOMPARE(command.apply("/bin/false", &error), int(KillSwitchCommand::Failure));
        QVERIFY(error.startsWith("nft failed"));
    }
};

QTEST_GUILESS_MAIN(TestKillSwitchCommand)
#include "test_killswitchcommand.moc"
