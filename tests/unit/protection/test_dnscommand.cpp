#include "dnscommand.h"

#include <QtTest>

class TestDnsCommand : public QObject
{
    Q_OBJECT

private slots:
    void valid_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("verb");
        QTest::addColumn<QStringList>("servers");
        QTest::addColumn<QString>("stealth");
        QTest::newRow("vpn, IPv6 left empty")
            << QStringList {"vpn", "eth0@172.16.0.1,", "wlan0@172.16.0.1,"} << int(DnsCommand::Vpn)
            << QStringList {"172.16.0.1"} << QString();
        QTest::newRow("vpn, both families, Stealth")
            << QStringList {"vpn", "eth0@172.16.0.1,FD00:DEAD:BEEF:CAFE:0::1", "stealth:203.0.113.7"}
            << int(DnsCommand::Vpn) << QStringList {"172.16.0.1", "fd00:dead:beef:cafe::1"} << "203.0.113.7";
        QTest::newRow("user without servers")
            << QStringList {"user", "eth0@", "wlan0@"} << int(DnsCommand::User) << QStringList() << QString();
        QTest::newRow("user without entries")
            << QStringList {"user"} << int(DnsCommand::User) << QStringList() << QString();
        QTest::newRow("user servers in order, once")
            << QStringList {"user", "eth0@192.168.1.1,2001:db8::53", "wlan0@10.0.0.1,192.168.1.1"}
            << int(DnsCommand::User) << QStringList {"192.168.1.1", "2001:db8::53", "10.0.0.1"} << QString();
        QTest::newRow("reset") << QStringList {"reset"} << int(DnsCommand::Reset) << QStringList()
                               << QString();
    }
    void valid()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, verb);
        QFETCH(QStringList, servers);
        QFETCH(QString, stealth);
        DnsCommand command;
        QString error;
        QVERIFY2(DnsCommand::parse(arguments, &command, &error), qPrintable(error));
        QCOMPARE(int(command.verb()), verb);
        QCOMPARE(command.servers(), servers);
        QCOMPARE(command.stealthServer().toString(), stealth);
    }

    void invalid_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("unknown verb") << QStringList {"flush"};
        QTest::newRow("verb in other case") << QStringList {"VPN", "eth0@1.1.1.1"};
        QTest::newRow("vpn without entries") << QStringList {"vpn"};
        QTest::newRow("vpn without any address") << QStringList {"vpn", "eth0@,"};
        QTest::newRow("entry without device") << QStringList {"vpn", "@1.1.1.1"};
        QTest::newRow("entry without @") << QStringList {"vpn", "1.1.1.1"};
        QTest::newRow("short IPv4") << QStringList {"vpn", "eth0@10.1"};
        QTest::newRow("host name") << QStringList {"user", "eth0@router.lan"};
        QTest::newRow("injected line") << QStringList {"vpn", "eth0@1.1.1.1\noptions debug"};
        QTest::newRow("scope suffix") << QStringList {"vpn", "eth0@fe80::1%eth0"};
        QTest::newRow("Stealth with a name")
            << QStringList {"vpn", "eth0@1.1.1.1", "stealth:vpn.example.com"};
        QTest::newRow("Stealth twice")
            << QStringList {"vpn", "eth0@1.1.1.1", "stealth:203.0.113.7", "stealth:203.0.113.8"};
        QTest::newRow("Stealth with user") << QStringList {"user", "stealth:203.0.113.7"};
        QTest::newRow("reset with arguments") << QStringList {"reset", "eth0@"};
    }
    void invalid()
    {
        QFETCH(QStringList, arguments);
        DnsCommand command;
        QString error;
        QVERIFY(!DnsCommand::parse(arguments, &command, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDnsCommand)
#include "test_dnscommand.moc"
