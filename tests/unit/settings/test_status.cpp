#include "status.h"

#include <QtTest>

class TestStatus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void storeLocation();
    void secondObjectSeesChanges_data();
    void secondObjectSeesChanges();
    void unchangedValueWritesNothing();
    void resetEmptiesStore();
    void unreadableValuesKeepFlags();

private:
    QString storePath() const { return m_config.path() + QStringLiteral("/VPN/Status.conf"); }
    QTemporaryDir m_config;
};

void TestStatus::initTestCase()
{
    QVERIFY(m_config.isValid());
    // Before the first store is opened, so it lives in the temporary folder.
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
}

void TestStatus::init()
{
    Status status;
    status.reset();
}

void TestStatus::storeLocation()
{
    Status status;
    QCOMPARE(status.fileName(), storePath());
    QVERIFY(!status.killswitchActivated());
    QVERIFY(!status.dnsActivated());
}

void TestStatus::secondObjectSeesChanges_data()
{
    QTest::addColumn<bool>("killswitch");
    QTest::addColumn<bool>("dns");

    QTest::newRow("kill switch") << true << false;
    QTest::newRow("dns") << false << true;
    QTest::newRow("both") << true << true;
}

void TestStatus::secondObjectSeesChanges()
{
    QFETCH(bool, killswitch);
    QFETCH(bool, dns);

    // The writer stays alive: what it wrote must already be on disk, as after a crash.
    Status writer;
    writer.setKillswitchActivated(killswitch);
    writer.setDnsActivated(dns);
    QSettings disk(storePath(), QSettings::IniFormat);
    QCOMPARE(disk.value(QStringLiteral("Protection/killswitchActivated"), false).toBool(), killswitch);
    QCOMPARE(disk.value(QStringLiteral("Protection/dnsActivated"), false).toBool(), dns);

    Status reader;
    QCOMPARE(reader.killswitchActivated(), killswitch);
    QCOMPARE(reader.dnsActivated(), dns);

    writer.setKillswitchActivated(false);
    writer.setDnsActivated(false);
    reader.read();
    QVERIFY(!reader.killswitchActivated());
    QVERIFY(!reader.dnsActivated());
}

void TestStatus::unchangedValueWritesNothing()
{
    Status status;
    status.setKillswitchActivated(true);
    QVERIFY(QFile::exists(storePath()));

    // With the file gone, a write of any kind would bring it back.
    QVERIFY(QFile::remove(storePath()));
    status.setKillswitchActivated(true);
    status.setDnsActivated(false);
    QVERIFY(!QFile::exists(storePath()));

    status.setDnsActivated(true);
    QVERIFY(QFile::exists(storePath()));
}

void TestStatus::resetEmptiesStore()
{
    Status status;
    status.setKillswitchActivated(true);
    status.setDnsActivated(true);
    status.setValue(QStringLiteral("Other/key"), 1);
    status.reset();

    // The flags in memory stay; the store is empty.
    QVERIFY(status.killswitchActivated());
    QVERIFY(status.dnsActivated());
    QSettings disk(storePath(), QSettings::IniFormat);
    QVERIFY(disk.allKeys().isEmpty());

    Status next;
    QVERIFY(!next.killswitchActivated());
    QVERIFY(!next.dnsActivated());
}

void TestStatus::unreadableValuesKeepFlags()
{
    {
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Protection]\nkillswitchActivated=perhaps\ndnsActivated=true\n[Protect");
    }
    Status status;
    QVERIFY(!status.killswitchActivated());
    QVERIFY(status.dnsActivated());
    QCOMPARE(status.getValue(QStringLiteral("Protection/dnsActivated")).toString(), QStringLiteral("true"));
}

QTEST_GUILESS_MAIN(TestStatus)
#include "test_status.moc"
