#include "connectionstate.h"
#include "networkprotocol.h"

#include <QtTest>

class TestConnectionState : public QObject
{
    Q_OBJECT

private slots:
    void stateToString_data();
    void stateToString();
    void networkProtocolToString_data();
    void networkProtocolToString();
};

void TestConnectionState::stateToString_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("quoted");
    QTest::addColumn<QString>("shown");
    QTest::newRow("disconnected") << 0 << "Disconnected"
                                  << "'Disconnected'"
                                  << "Disconnected";
    QTest::newRow("preparing") << 1 << "Preparing"
                               << "'Preparing'"
                               << "Preparing";
    QTest::newRow("connecting") << 2 << "Connecting"
                                << "'Connecting'"
                                << "Connecting...";
    QTest::newRow("connected") << 3 << "Connected"
                               << "'Connected'"
                               << "Connected";
    QTest::newRow("disconnecting") << 4 << "Disconnecting"
                                   << "'Disconnecting'"
                                   << "Disconnecting...";
    QTest::newRow("reconnecting") << 5 << "Reconnecting"
                                  << "'Reconnecting'"
                                  << "Reconnecting...";
    QTest::newRow("error") << 6 << "Error"
                           << "'Error'"
                           << "Error!";
    QTest::newRow("unknown") << 7 << "Unknown"
                             << "'Unknown'"
                             << "Unknown";
    QTest::newRow("out of range") << 42 << "Unknown"
                                  << "'Unknown'"
                                  << "Unknown";
    QTest::newRow("negative") << -1 << "Unknown"
                              << "'Unknown'"
                              << "Unknown";
}

void TestConnectionState::stateToString()
{
    QFETCH(int, id);
    QFETCH(QString, plain);
    QFETCH(QString, quoted);
    QFETCH(QString, shown);
    const auto state = static_cast<ConnectionState::Id>(id);
    QCOMPARE(ConnectionState::stateToString(state, false), plain);
    QCOMPARE(ConnectionState::stateToString(state, true), quoted);
    QCOMPARE(ConnectionState::stateToTrString(state), shown);
}

void TestConnectionState::networkProtocolToString_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("lower");
    QTest::newRow("udp") << 0 << "OpenVPN (UDP)"
                         << "openvpn (udp)";
    QTest::newRow("tcp") << 1 << "OpenVPN (TCP)"
                         << "openvpn (tcp)";
    QTest::newRow("stealth") << 2 << "Stealth"
                             << "stealth";
    QTest::newRow("wireguard") << 3 << "WireGuard"
                               << "wireguard";
    QTest::newRow("other") << 4 << ""
                           << "";
}

void TestConnectionState::networkProtocolToString()
{
    QFETCH(int, protocol);
    QFETCH(QString, name);
    QFETCH(QString, lower);
    QCOMPARE(::networkProtocolToString(static_cast<NetworkProtocol>(protocol), false), name);
    QCOMPARE(::networkProtocolToString(static_cast<NetworkProtocol>(protocol), true), lower);
}

QTEST_GUILESS_MAIN(TestConnectionState)
#include "test_connectionstate.moc"
