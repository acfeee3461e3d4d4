import QtQuick 2.15
import ConnectionState 1.0

// The looks a person sees, kept as pictures in test-artifacts/gui.
WindowTestCase {
    name: "Screens"

    function chooseServer(label) {
        openServerList()
        mouseClick(row("recommendedList", label))
        tryCompare(item("serverListWindow"), "visible", false)
        mouseMove(window, 0, 0)
    }

    function test_disconnected() {
        chooseServer("Tokyo")
        screenshot("main-disconnected")
    }

    function test_connected() {
        chooseServer("Amsterdam")
        vpnCore.currentLocationImageSource = "qrc:/resources/icons/flags/nl.png"
        vpnCore.connectionState = ConnectionState.Connected
        vpnCore.downloaded = "12.4 MB"
        vpnCore.uploaded = "1.1 MB"
        vpnCore.vpnOnlineTime = "01:02:03"
        vpnCore.currentIp = "203.0.113.77"
        vpnCore.currentIpInfoText = "Your new IP address"
        screenshot("main-connected")
    }

    function test_serverListTabs() {
        openServerList()
        screenshot("serverlist-recommended")
        keyClick(Qt.Key_2)
        screenshot("serverlist-all")
        keyClick(Qt.Key_3)
        screenshot("serverlist-recent")
    }

    function test_serverListSearch() {
        openServerList()
        keyClick(Qt.Key_2)
        mouseClick(item("searchField"))
        keyClick(Qt.Key_F)
        keyClick(Qt.Key_R)
        screenshot("serverlist-search")
    }

    function test_banner() {
        window.setCriticalServiceError()
        screenshot("main-service-error")
    }

    function geometry(names) {
        var result = []
        for (var i = 0; i < names.length; ++i) {
            var it = item(names[i])
            var point = it.mapToItem(null, 0, 0)
            result.push([names[i], point.x, point.y, it.width, it.height].join(" "))
        }
        return result
    }

    // A theme with colours QML cannot read changes no place or size.
    function test_invalidThemeColours() {
        var names = ["header", "logo", "serverLocation", "traffic", "connectButton", "currentIp", "settingsButton"]
        var before = geometry(names)
        var ids = ["generalBackgroundColor", "settingsPageHeaderBackgroundColor", "connectionPageCirclesColor",
                   "connectionPageVpnDisconnectedButtonGradientColor2", "generalGreyLabelColor",
                   "connectionPageSettingsButtonBackgroundColor", "generalBrightLabelColor"]
        var values = ["not a colour", "#12345", "rgb(1,2", "", "#zzzzzz", "transparent-ish", "12"]
        for (var i = 0; i < ids.length; ++i)
            fixture.setThemeValue(ids[i], values[i])
        compare(geometry(names), before)
        screenshot("main-invalid-theme")
        openServerList()
        keyClick(Qt.Key_2)
        screenshot("serverlist-invalid-theme")
    }

    function test_longLocationName() {
        openServerList()
        keyClick(Qt.Key_2)
        mouseClick(findChild(row("allList", "New Zealand"), "rowArrow"))
        var longRow = row("allList", "Llanfairpwllgwyngyllgogerychwyrndrobwllllantysiliogogogoch Upper Harbour")
        item("allListView").positionViewAtIndex(longRow.index, ListView.Center)
        mouseClick(longRow)
        tryCompare(item("serverListWindow"), "visible", false)
        var location = item("locationFlag")
        var text = findChild(location, "flagText")
        verify(text.truncated, "the location is cut short")
        verify(location.mapToItem(null, location.width, 0).x + 16 <= item("traffic").mapToItem(null, 0, 0).x,
               "the location ends before the traffic counters")
        vpnCore.downloaded = "1023.9 MB"
        vpnCore.uploaded = "999.5 MB"
        verify(item("traffic").mapToItem(null, 0, 0).x >= 200, "the counters keep to their half")
        screenshot("main-long-location")
    }
}
