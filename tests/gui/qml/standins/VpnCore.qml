import QtQuick 2.15
import ConnectionState 1.0

// Stands in for the connection controller at the window's boundary: the
// same property and function names, and a record of the calls it got.
QtObject {
    property int connectionState: ConnectionState.Disconnected
    property bool vpnConnected: connectionState === ConnectionState.Connected
    property string currentIp: "198.51.100.23"
    property string currentIpInfoText: "Your IP address"
    property string currentLocationImageSource: "qrc:/resources/icons/flags/de.png"
    property string downloaded: "0"
    property string uploaded: "0"
    property string vpnOnlineTime: "00:00:00"
    property string vpnConnectionErrorText: ""

    property var calls: []

    signal killSwitchEventActivated()

    function record(call) {
        var list = calls
        list.push(call)
        calls = list
    }
    function clearCalls() {
        calls = []
    }

    function connectToVpn() { record("connectToVpn") }
    function disconnectFromVpn() { record("disconnectFromVpn") }
    function disableKillSwitch() { record("disableKillSwitch") }
    function setVpnServerIp(ip, locationText) { record("setVpnServerIp " + ip + " " + locationText) }
    function setSearchModeForCountry(countryCode) { record("setSearchModeForCountry " + countryCode) }
    function bestStringForCountry(countryCode) { return "Best in " + countryCode }
    function setAutoReconnectionOnError(set) { record("setAutoReconnectionOnError " + set) }
}
