#include "dnssettings.h"

#include <QtTest>

class TestDnsSettings : public QObject
{
    Q_OBJECT

private slots:
    void fromStringForCommandLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("empty") << QString() << QStringList {"Empty"};
        QTest::newRow("one") << "1.1.1.1" << QStringList {"1.1.1.1"};
        QTest::newRow("two") << "1.1.1.1,2001:db8::1" << QStringList {"1.1.1.1", "2001:db8::1"};
        QTest::newRow("trailing separator keeps the empty part") << "1.1.1.1," << QStringList {"1.1.1.1", ""};
    }
    void fromStringForCommandLine()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, arguments);
        QCOMPARE(DnsSettings::fromStringForCommandLine(text), arguments);
    }

    void vpnDnsEntryExistsInList_data()
    {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<bool>("exists");
        QTest::newRow("empty") << QStringList() << false;
        QTest::newRow("user servers") << QStringList {"192.168.1.1", "fd00::1"} << false;
        QTest::newRow("predefined IPv4") << QStringList {"8.8.8.8", "172.16.0.1"} << true;
        QTest::newRow("predefined IPv6") << QStringList {"fd00:dead:beef:cafe::1"} << true;
        QTest::newRow("only exact texts") << QStringList {"172.16.0.10", " 172.16.0.1"} << false;
    }
    void vpnDnsEntryExistsInList()
    {
        QFETCH(QStringList, list);
        QFETCH(bool, exists);
        QCOMPARE(DnsSettings::vpnDnsEntryExistsInList(list), exists);
        QCOMPARE(DnsSettings(list).vpnDnsEntryExistsInList(), exists);
    }

    void textForms()
    {
        QVERIFY(DnsSettings(QString()).dnsList().isEmpty());
        DnsSettings settings(QStringLiteral("1.1.1.1"));
        settings.append(QString());
        settings.append(QStringLiteral("9.9.9.9"));
        QCOMPARE(settings.toString(), QStringLiteral("1.1.1.1,9.9.9.9"));
        QCOMPARE(DnsSettings::fromString(QStringLiteral("a,,b")).dnsList(), (QStringList {"a", "", "b"}));
    }
};

QTEST_APPLESS_MAIN(TestDnsSettings)
#include "test_dnssettings.moc"
