#include "utils.h"

#include <QtTest>

// The MTU command line; the command itself runs in the integration tests.
class TestMtuSize : public QObject
{
    Q_OBJECT

private slots:
    void arguments_data()
    {
        QTest::addColumn<int>("interfaceId");
        QTest::addColumn<int>("mtu");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("given size") << 0 << 1400 << QStringList {"tun0", "mtu", "1400"};
        QTest::newRow("other interface") << 3 << 9000 << QStringList {"tun3", "mtu", "9000"};
        QTest::newRow("zero means default") << 1 << 0 << QStringList {"tun1", "mtu", "1500"};
        QTest::newRow("negative means default") << 0 << -20 << QStringList {"tun0", "mtu", "1500"};
        QTest::newRow("smallest size kept") << 0 << 1 << QStringList {"tun0", "mtu", "1"};
    }
    void arguments()
    {
        QFETCH(int, interfaceId);
        QFETCH(int, mtu);
        QFETCH(QStringList, arguments);
        QCOMPARE(Utils::mtuSizeArguments(interfaceId, mtu), arguments);
    }
};

QTEST_GUILESS_MAIN(TestMtuSize)
#include "test_mtusize.moc"
