#include "networkservices.h"
#include "sysfsfixture.h"

#include <QtTest>

// The services read from a sysfs network class folder built by the test.
class TestNetworkServices : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_sys;

    void addInterface(const QString &name, int index, int type, const QByteArray &flags,
                      const QMap<QString, QByteArray> &more = {})
    {
        QVERIFY(addSysfsInterface(m_sys.path(), name, index, type, flags, more));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_sys.isValid());
        addInterface("lo", 1, 772, "0x9");
        addInterface("wlan0", 3, 1, "0x1002", {{"wireless/x", ""}, {"address", "aa:bb:cc:dd:ee:02\n"}});
        addInterface("eth0", 2, 1, "0x1003", {{"address", "aa:bb:cc:dd:ee:01\n"}});
        addInterface("tun0", 4, 65534, "0x10d1", {{"tun_flags", "0x1001\n"}});
        addInterface("br0", 5, 1, "0x1003", {{"uevent", "DEVTYPE=bridge\nINTERFACE=br0\n"}});
        addInterface("bnep0", 6, 1, "0x1003", {{"uevent", "DEVTYPE=bluetooth\n"}});
        addInterface("eth1", 7, 1, "0x1003");
        QVERIFY(QDir(m_sys.path()).mkpath("drivers/ipheth"));
        QVERIFY(QDir(m_sys.path()).mkpath("eth1/device"));
        QVERIFY(QFile::link(m_sys.filePath("drivers/ipheth"), m_sys.filePath("eth1/device/driver")));
        QVERIFY(QDir(m_sys.path()).mkpath("broken")); // no attributes: not an interface
    }

    void servicesInInterfaceOrder()
    {
        const QVector<NetworkServices::Service> services = NetworkServices(m_sys.path()).services();
        QStringList summary;
        for (const NetworkServices::Service &service : services)
            summary << QStringLiteral("%1 %2 %3 %4")
                           .arg(service.device, service.hardwarePort, service.enabled ? "up" : "down",
                                service.macAddress.isEmpty() ? "-" : service.macAddress);
        QCOMPARE(summary,
                 (QStringList {"eth0 Ethernet up aa:bb:cc:dd:ee:01", "wlan0 Wi-Fi down aa:bb:cc:dd:ee:02",
                               "tun0 TUN up -", "br0 Bridge up -", "bnep0 Bluetooth PAN up -",
                               "eth1 iPhone USB up -"}));
    }

    void find()
    {
        const NetworkServices services(m_sys.path());
        QVERIFY(services.find("eth0"));
        QCOMPARE(services.find("eth0")->index, 2);
        QVERIFY(!services.find("lo"));
        QVERIFY(!services.find("eth"));
    }

    void realSystemHasNoLoopback()
    {
        const NetworkServices services;
        QVERIFY(!services.find("lo"));
        for (const NetworkServices::Service &service : services.services())
            QVERIFY(!service.device.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestNetworkServices)
#include "test_networkservices.moc"
