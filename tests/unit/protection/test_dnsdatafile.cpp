#include "buildconfig.h"
#include "dnsdatafile.h"

#include <QtTest>

class TestDnsDataFile : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("resolvConf");
        QTest::addColumn<QStringList>("routes");
        QTest::newRow("plain") << QByteArray("nameserver 192.168.1.1\n") << QStringList();
        QTest::newRow("routes and odd bytes") << QByteArray("# x\r\nresolv.conf\nroute 1.2.3.4\n\0tail", 28)
                                              << QStringList {"203.0.113.7", "2001:db8::7"};
        QTest::newRow("empty configuration") << QByteArray() << QStringList();
    }
    void roundTrip()
    {
        QFETCH(QByteArray, resolvConf);
        QFETCH(QStringList, routes);
        QTemporaryDir dir;
        const QString path = dir.filePath("sub/dns.dat");
        DnsDataFile data;
        data.setResolvConf(resolvConf);
        QList<QHostAddress> addresses;
        for (const QString &route : routes)
            addresses << QHostAddress(route);
        data.setRoutes(addresses);
        QString error;
        QVERIFY2(data.save(path, &error), qPrintable(error));
        QVERIFY(!QFile::exists(path + ".tmp"));

        DnsDataFile loaded;
        QCOMPARE(DnsDataFile::load(path, &loaded, &error), DnsDataFile::Loaded);
        QCOMPARE(loaded.resolvConf(), resolvConf);
        QCOMPARE(loaded.routes(), addresses);

        QVERIFY(DnsDataFile::remove(path, &error));
        QCOMPARE(DnsDataFile::load(path, &loaded, &error), DnsDataFile::Missing);
        QVERIFY(DnsDataFile::remove(path, &error)); // already gone
    }

    void corrupt_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("foreign file") << QByteArray("nameserver 1.1.1.1\n");
        const QByteArray header = QByteArray("# ") + BuildConfig::title + " DNS data 1\n";
        QTest::newRow("cut before the configuration") << header + "route 1.2.3.4\n";
        QTest::newRow("bad route") << header + "route 1.2.3.4; rm\nresolv.conf\n";
        QTest::newRow("unknown line") << header + "restore later\nresolv.conf\n";
    }
    void corrupt()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        QFile file(dir.filePath("dns.dat"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        DnsDataFile data;
        QString error;
        QCOMPARE(DnsDataFile::load(file.fileName(), &data, &error), DnsDataFile::Corrupt);
        QVERIFY(!error.isEmpty());
    }

    void pathOverride()
    {
        qputenv("VPN_DNS_DATA_FILE", "/tmp/x/dns.dat");
        QCOMPARE(DnsDataFile::defaultPath(), QStringLiteral("/tmp/x/dns.dat"));
        qunsetenv("VPN_DNS_DATA_FILE");
        QCOMPARE(DnsDataFile::defaultPath(), QStringLiteral("/var/log/%1/dns.dat").arg(BuildConfig::title));
    }
};

QTEST_GUILESS_MAIN(TestDnsDataFile)
#include "test_dnsdatafile.moc"
