#include "dnsdatafile.h"
#include "dnsswitch.h"
#include "resolvconf.h"

#include <QtTest>

namespace {
// The user's configuration, with what must survive byte for byte.
const QByteArray userConfiguration = "# managed by hand\r\nsearch corp.example\nnameserver 192.168.1.1\n"
                                     "options ndots:2 timeout:1\nnameserver 2001:db8::53";
} // namespace

// The switching and restoring on files of a temporary folder (no Stealth
// routes here; those run in the integration tests).
class TestDnsSwitch : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_resolvConf;
    QString m_dataFile;

    DnsCommand command(const QStringList &arguments)
    {
        DnsCommand parsed;
        QString error;
        if (!DnsCommand::parse(arguments, &parsed, &error))
            qFatal("bad test command: %s", qPrintable(error));
        return parsed;
    }
    int run(const QStringList &arguments, QString *error = nullptr)
    {
        QString ignored;
        DnsSwitch dnsSwitch(m_resolvConf, m_dataFile);
        dnsSwitch.setResolvedStubPath(m_dir->filePath("no-resolved"));
        return dnsSwitch.run(command(arguments), error ? error : &ignored);
    }
    QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void write(const QString &path, const QByteArray &text)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_resolvConf = m_dir->filePath("resolv.conf");
        m_dataFile = m_dir->filePath("log/dns.dat");
        write(m_resolvConf, userConfiguration);
    }
    void cleanup() { delete m_dir; }

    void vpnThenUserRestoresBytes()
    {
        QCOMPARE(run({"vpn", "eth0@172.16.0.1,fd00:dead:beef:cafe::1", "wlan0@172.16.0.1,"}), 0);
        const QByteArray vpn = read(m_resolvConf);
        QVERIFY(DnsSwitch::isOwnConfiguration(vpn));
        QCOMPARE(ResolvConf::nameservers(vpn), (QStringList {"172.16.0.1", "fd00:dead:beef:cafe::1"}));
        QVERIFY(!vpn.contains("corp.example"));
        QVERIFY(QFile::exists(m_dataFile));

        QCOMPARE(run({"user", "eth0@192.168.1.1,2001:db8::53"}), 0);
        QCOMPARE(read(m_resolvConf), userConfiguration);
        QVERIFY(!QFile::exists(m_dataFile));

        // Again: nothing left to restore, nothing changes.
        QCOMPARE(run({"user", "eth0@10.0.0.1"}), 0);
        QCOMPARE(read(m_resolvConf), userConfiguration);
    }

    void repeatedVpnKeepsTheUsersConfiguration()
    {
        QCOMPARE(run({"vpn", "eth0@172.16.0.1,"}), 0);
        QCOMPARE(run({"vpn", "eth0@10.8.0.1,"}), 0);
        QCOMPARE(ResolvConf::nameservers(read(m_resolvConf)), QStringList {"10.8.0.1"});
        QCOMPARE(run({"reset"}), 0);
        QCOMPARE(read(m_resolvConf), userConfiguration);
    }

    // The states a crash can leave behind, each repaired by "reset".
    void resetAfterCrash_data()
    {
        QTest::addColumn<bool>("dataFileSaved");
        QTest::addColumn<bool>("vpnConfigurationWritten");
        QTest::addColumn<QByteArray>("corruptDataFile");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("after switching to the VPN") << true << true << QByteArray() << userConfiguration;
        // Also the state of a restore that ended before removing the data file.
        QTest::newRow("data file saved, configuration untouched")
            << true << false << QByteArray() << userConfiguration;
        QTest::newRow("data file lost") << false << true << QByteArray() << QByteArray("default");
        QTest::newRow("data file damaged") << false << true << QByteArray("garbage") << QByteArray("default");
    }
    void resetAfterCrash()
    {
        QFETCH(bool, dataFileSaved);
        QFETCH(bool, vpnConfigurationWritten);
        QFETCH(QByteArray, corruptDataFile);
        QFETCH(QByteArray, expected);
        if (dataFileSaved) {
            DnsDataFile data;
            data.setResolvConf(userConfiguration);
            QString error;
            QVERIFY(data.save(m_dataFile, &error));
        }
        if (!corruptDataFile.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(m_dataFile).path()));
            write(m_dataFile, corruptDataFile);
        }
        if (vpnConfigurationWritten)
            write(m_resolvConf, DnsSwitch::marker() + "\nnameserver 172.16.0.1\n");

        QCOMPARE(run({"reset"}), 0);
        const QByteArray restored = read(m_resolvConf);
        if (expected == "default") {
            QVERIFY(!DnsSwitch::isOwnConfiguration(restored));
            QVERIFY(!restored.contains("172.16.0.1"));
        } else {
            QCOMPARE(restored, expected);
        }
        QVERIFY(!QFile::exists(m_dataFile));
    }

    void userServersWhenTheDataFileIsLost()
    {
        write(m_resolvConf, DnsSwitch::marker() + "\nnameserver 172.16.0.1\n");
        QCOMPARE(run({"user", "eth0@192.168.1.1,", "wlan0@"}), 0);
        QCOMPARE(read(m_resolvConf), QByteArray("nameserver 192.168.1.1\n"));
    }

    void resolvedStubAsDefault()
    {
        write(m_resolvConf, DnsSwitch::marker() + "\nnameserver 172.16.0.1\n");
        write(m_dir->filePath("stub-resolv.conf"), "nameserver 127.0.0.53\n");
        DnsSwitch dnsSwitch(m_resolvConf, m_dataFile);
        dnsSwitch.setResolvedStubPath(m_dir->filePath("stub-resolv.conf"));
        QString error;
        QCOMPARE(dnsSwitch.run(command({"reset"}), &error), 0);
        QCOMPARE(ResolvConf::nameservers(read(m_resolvConf)), QStringList {"127.0.0.53"});
    }

    // A configuration the system wrote while connected (a new network) is
    // the user's now: it is neither overwritten nor lost.
    void newerSystemConfigurationWins()
    {
        QCOMPARE(run({"vpn", "eth0@172.16.0.1,"}), 0);
        write(m_resolvConf, "nameserver 10.9.9.9\n");
        QCOMPARE(run({"user", "eth0@192.168.1.1,"}), 0);
        QCOMPARE(read(m_resolvConf), QByteArray("nameserver 10.9.9.9\n"));
        QVERIFY(!QFile::exists(m_dataFile));

        QCOMPARE(run({"vpn", "eth0@172.16.0.1,"}), 0);
        write(m_resolvConf, "nameserver 10.7.7.7\n");
        QCOMPARE(run({"vpn", "eth0@172.16.0.1,"}), 0);
        QCOMPARE(run({"reset"}), 0);
        QCOMPARE(read(m_resolvConf), QByteArray("nameserver 10.7.7.7\n"));
    }

    void failuresLeaveEverythingAsItWas_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("problem");
        QTest::newRow("vpn, configuration missing") << QStringList {"vpn", "eth0@172.16.0.1,"} << "missing";
        QTest::newRow("user, configuration missing") << QStringList {"user", "eth0@"} << "missing";
        QTest::newRow("reset, configuration missing") << QStringList {"reset"} << "missing";
        QTest::newRow("vpn, configuration unreadable")
            << QStringList {"vpn", "eth0@172.16.0.1,"} << "unreadable";
        QTest::newRow("vpn, data file cannot be written")
            << QStringList {"vpn", "eth0@172.16.0.1,"} << "data";
    }
    void failuresLeaveEverythingAsItWas()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, problem);
        DnsDataFile saved;
        saved.setResolvConf("nameserver 192.168.1.1\n");
        QString error;
        if (problem == "missing") {
            QVERIFY(QFile::remove(m_resolvConf));
            QVERIFY(saved.save(m_dataFile, &error));
        } else if (problem == "unreadable") {
            QVERIFY(QFile::remove(m_resolvConf));
            QVERIFY(QDir().mkpath(m_resolvConf));
        } else {
            write(m_dir->filePath("log"), "a file where the folder should be");
        }
        const QByteArray dataBefore = read(m_dataFile);
        const QByteArray resolvBefore = read(m_resolvConf);

        QCOMPARE(run(arguments, &error), int(DnsSwitch::Failure));
        QVERIFY(!error.isEmpty());
        QCOMPARE(read(m_resolvConf), resolvBefore);
        QCOMPARE(read(m_dataFile), dataBefore);
    }
};

QTEST_GUILESS_MAIN(TestDnsSwitch)
#include "test_dnsswitch.moc"
