#include "testnamespace.h"
#include "utils.h"

#include <QtTest>

#include <memory>

// Utils::setMtuSize with the real ifconfig, on a tun device of a throwaway
// namespace that this test process enters for the time of the test.
class TestMtuCommand : public QObject
{
    Q_OBJECT

private:
    // Declared in this order, so the namespace is left before it is removed.
    std::unique_ptr<TestNamespace> m_ns;
    std::unique_ptr<NamespaceEntry> m_entry;

    int mtuOf(const QString &device) const
    {
        const QByteArray output = m_ns->exec({"cat", "/sys/class/net/" + device + "/mtu"}).output;
        bool ok = false;
        const int mtu = output.trimmed().toInt(&ok);
        return ok ? mtu : -1;
    }

private slots:
    void initTestCase()
    {
        if (!TestNamespace::isRoot())
            QSKIP("needs root for network namespaces");
        if (!QFileInfo::exists("/sbin/ifconfig"))
            QSKIP("ifconfig is not installed (net-tools)");
        m_ns = std::make_unique<TestNamespace>("mtu");
        QVERIFY(m_ns->isValid());
        QVERIFY(m_ns->ip("tuntap add tun7 mode tun"));
        m_entry = std::make_unique<NamespaceEntry>(*m_ns);
        QVERIFY(m_entry->entered());
    }
    void cleanupTestCase()
    {
        m_entry.reset();
        m_ns.reset();
    }

    void setsTheSize_data()
    {
        QTest::addColumn<int>("mtu");
        QTest::addColumn<int>("expected");
        QTest::newRow("given size") << 1380 << 1380;
        QTest::newRow("zero: default") << 0 << 1500;
        QTest::newRow("another given size") << 1280 << 1280;
        QTest::newRow("negative: default") << -1 << 1500;
    }
    void setsTheSize()
    {
        QFETCH(int, mtu);
        QFETCH(int, expected);
        QTest::ignoreMessage(QtInfoMsg, "Utils: 'Set mtu size' command finished with code: 0");
        Utils::setMtuSize(7, mtu);
        QCOMPARE(mtuOf("tun7"), expected);
    }

    void missingInterfaceIsLoggedAsFailure()
    {
        QTest::ignoreMessage(QtInfoMsg,
                             QRegularExpression("Utils: 'Set mtu size' command finished with code: [1-9]"));
        Utils::setMtuSize(8, 1400);
    }
};

QTEST_GUILESS_MAIN(TestMtuCommand)
#include "test_mtucommand.moc"
