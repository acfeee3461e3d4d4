#include "openvpnnetworkinterfaces.h"

#include <QtTest>

class TestOpenVpnNetworkInterfaces : public QObject
{
    Q_OBJECT

private slots:
    void emptyBeforeRefresh()
    {
        OpenVpnNetworkInterfaces interfaces;
        QVERIFY(interfaces.isEmpty());
        QCOMPARE(interfaces.objectName(), QStringLiteral("NetworkInterfaces"));
        QCOMPARE(interfaces.networkInterfacesFilterToString(), QStringLiteral("VPN"));
    }

    void refreshKeepsOneSystemEntry()
    {
        OpenVpnNetworkInterfaces interfaces;
        interfaces.refresh(true);
        interfaces.refresh(true);
        QCOMPARE(interfaces.list().size(), 1);
        QVERIFY(!interfaces.isEmpty());
        const NetworkInterface entry = interfaces.list().first();
        QCOMPARE(entry.id(), 0);
        QCOMPARE(entry.name(), QStringLiteral("Linux"));
        QVERIFY(!entry.isValid());
    }

    void filterChangesOnlyItsText()
    {
        OpenVpnNetworkInterfaces interfaces;
        interfaces.refresh(false);
        QCOMPARE(interfaces.networkInterfacesFilterToString(), QStringLiteral("network"));
        QCOMPARE(interfaces.list().size(), 1);
    }

    void interfaceValidity()
    {
        QVERIFY(NetworkInterface().name().isEmpty());
        QVERIFY(!NetworkInterface().isValid());
        QVERIFY(NetworkInterface(3, "tun3").isValid());
        QVERIFY(!NetworkInterface(-1, "x").isValid());
    }
};

QTEST_GUILESS_MAIN(TestOpenVpnNetworkInterfaces)
#include "test_openvpnnetworkinterfaces.moc"
