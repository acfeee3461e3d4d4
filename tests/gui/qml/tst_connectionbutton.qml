import QtQuick 2.15
import ConnectionState 1.0

WindowTestCase {
    name: "ConnectionButton"

    readonly property string disconnectionText: "Disconnection in progress..."

    function circle() {
        return item("connectButtonCircle")
    }

    function test_clickActsByState_data() {
        return [
            { tag: "disconnected", state: ConnectionState.Disconnected, calls: ["connectToVpn"], toolTip: "" },
            { tag: "preparing", state: ConnectionState.Preparing, calls: ["disconnectFromVpn"], toolTip: "" },
            { tag: "connecting", state: ConnectionState.Connecting, calls: ["disconnectFromVpn"], toolTip: "" },
            { tag: "connected", state: ConnectionState.Connected, calls: ["disconnectFromVpn"], toolTip: "" },
            { tag: "disconnecting", state: ConnectionState.Disconnecting, calls: [], toolTip: disconnectionText },
            { tag: "reconnecting", state: ConnectionState.Reconnecting, calls: [], toolTip: "" },
            { tag: "error", state: ConnectionState.Error, calls: [], toolTip: "" },
            { tag: "unknown", state: ConnectionState.Unknown, calls: [], toolTip: "" }
        ]
    }

    function test_clickActsByState(data) {
        vpnCore.connectionState = data.state
        mouseClick(circle())
        compare(vpnCore.calls, data.calls)
        var toolTip = item("connectButtonToolTip")
        compare(toolTip.visible, data.toolTip !== "")
        if (data.toolTip !== "") {
            compare(toolTip.text, data.toolTip)
            compare(toolTip.timeout, 5000)
        }
    }

    function test_trayItemRunsTheButtonAction_data() {
        return [
            { tag: "disconnected", state: ConnectionState.Disconnected, calls: ["connectToVpn"] },
            { tag: "connected", state: ConnectionState.Connected, calls: ["disconnectFromVpn"] },
            { tag: "disconnecting", state: ConnectionState.Disconnecting, calls: [] }
        ]
    }

    function test_trayItemRunsTheButtonAction(data) {
        vpnCore.connectionState = data.state
        window.triggerVpnState()
        compare(vpnCore.calls, data.calls)
    }

    // The circle is 200 px across: (171, 171) lies 100.4 px from its centre, (170, 170) 99 px.
    function test_onlyTheCircleCounts_data() {
        return [
            { tag: "centre", x: 100, y: 100, acts: true },
            { tag: "just inside, diagonal", x: 170, y: 170, acts: true },
            { tag: "just outside, diagonal", x: 171, y: 171, acts: false },
            { tag: "corner of the square", x: 3, y: 3, acts: false },
            { tag: "just inside, top", x: 100, y: 1, acts: true },
            { tag: "just outside, left of the bottom", x: 28, y: 172, acts: false }
        ]
    }

    function test_onlyTheCircleCounts(data) {
        var target = circle()
        mousePress(target, data.x, data.y)
        compare(item("connectButton").pressed, data.acts)
        compare(target.opacity, data.acts ? 0.75 : 1.0)
        mouseRelease(target, data.x, data.y)
        compare(vpnCore.calls, data.acts ? ["connectToVpn"] : [])
    }

    function test_pointingHandOnlyInsideTheCircle() {
        var area = item("connectButtonHitArea")
        mouseMove(circle(), 100, 100)
        compare(area.cursorShape, Qt.PointingHandCursor)
        mouseMove(circle(), 5, 195)
        compare(area.cursorShape, Qt.ArrowCursor)
    }

    function test_ignoredInThemeEditor() {
        qmlApp.themeEditor = true
        mouseClick(circle())
        compare(vpnCore.calls, [])
    }

    function test_looksFollowTheState() {
        var gradient = circle().gradient
        compare(item("switchOnDisc").visible, true)
        compare(item("switchOffDisc").visible, false)
        verify(Qt.colorEqual(gradient.stops[0].color, uiStyle.connectionPageVpnDisconnectedButtonGradientColor1))
        compare(gradient.stops[1].position, 0.4)

        vpnCore.connectionState = ConnectionState.Connected
        vpnCore.vpnOnlineTime = "00:42:07"
        compare(item("switchOnDisc").visible, false)
        compare(item("switchOffDisc").visible, true)
        compare(item("onlineTimeLabel").text, "00:42:07")
        compare(item("durationLabel").text, "DURATION")
        compare(item("switchOffLabel").text, "SWITCH OFF")
        verify(Qt.colorEqual(gradient.stops[2].color, uiStyle.connectionPageVpnConnectedButtonGradientColor3))
    }

    function test_errorTextShowsAsToolTip() {
        var toolTip = item("connectButtonToolTip")
        vpnCore.vpnConnectionErrorText = "Please enter the user name and password in the settings"
        compare(toolTip.visible, true)
        compare(toolTip.text, "Please enter the user name and password in the settings")
        vpnCore.connectionState = ConnectionState.Connected
        tryCompare(toolTip, "visible", false)
    }

    function test_serviceErrorDisablesTheButton() {
        window.setCriticalServiceError()
        var banner = item("criticalErrorArea")
        compare(banner.visible, true)
        compare(item("criticalErrorText").text, "System service is not running!")
        compare(banner.y, item("header").y)
        compare(banner.height, item("header").height)
        mouseClick(circle())
        window.triggerVpnState()
        compare(vpnCore.calls, [])
    }
}
