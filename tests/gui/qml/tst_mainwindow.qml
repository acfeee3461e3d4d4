import QtQuick 2.15
import QtQuick.Window 2.15
import ConnectionState 1.0

WindowTestCase {
    name: "MainWindow"

    function test_fixedSizeAndTitle() {
        compare(window.width, 400)
        compare(window.height, 650)
        compare(window.minimumHeight, 650)
        compare(window.maximumWidth, 400)
        compare(window.title, "Veltrano VPN")
        compare(item("header").height, 50)
        compare(item("body").y, 115)
        compare(item("body").height, 400)
        compare(item("outerCircle").width, 395)
        compare(item("innerCircle").width, 290)
        compare(item("settingsButton").height, 50)
        compare(item("settingsButton").y, 600)
    }

    function test_shortcuts() {
        keyClick(Qt.Key_L, Qt.ControlModifier)
        compare(logger.logFolderOpened, 1)

        keyClick(Qt.Key_A, Qt.ControlModifier)
        tryCompare(item("serverListWindow"), "opened", true)
        keyClick(Qt.Key_Escape)
        tryCompare(item("serverListWindow"), "visible", false)

        // The keys reach the window again once the list has closed.
        var settingsWindow = item("settingsWindow")
        keyClick(Qt.Key_S, Qt.ControlModifier)
        tryCompare(settingsWindow, "visible", true)
        compare(settingsWindow.width, 600)
        compare(settingsWindow.height, 650)
        settingsWindow.close()
    }

    function test_otherKeysAreSwallowed() {
        keyClick(Qt.Key_Space)
        keyClick(Qt.Key_Return)
        keyClick(Qt.Key_A)
        compare(vpnCore.calls, [])
        compare(item("serverListWindow").visible, false)
    }

    function test_closingKeepsTheClientRunning_data() {
        return [
            { tag: "other desktops hide it", ubuntu: false, visibility: Window.Hidden },
            { tag: "Ubuntu minimizes it", ubuntu: true, visibility: Window.Minimized }
        ]
    }

    function test_closingKeepsTheClientRunning(data) {
        qmlApp.ubuntu = data.ubuntu
        window.close()
        tryCompare(window, "visibility", data.visibility)
        compare(qmlApp.minimizedMessages, 1)
        window.raiseMainWindow()
        tryCompare(window, "visibility", Window.Windowed)
        verify(window.visible)
    }

    function test_settingsWindowOpensOverTheMainWindow() {
        var settingsWindow = item("settingsWindow")
        window.x = 300
        window.y = 100
        mouseClick(item("settingsButton"))
        tryCompare(settingsWindow, "visible", true)
        compare(settingsWindow.x, 300 + (400 - 600) / 2)
        compare(settingsWindow.y, 100)

        // Opened again while shown: it stays where it is.
        settingsWindow.x = 20
        window.raiseSettingsWindow()
        compare(settingsWindow.x, 20)

        settingsWindow.showMinimized()
        window.raiseSettingsWindow()
        tryCompare(settingsWindow, "visibility", Window.Windowed)
        settingsWindow.close()

        // Never placed beyond the top left corner of the screen.
        window.x = 10
        window.y = 0
        window.raiseSettingsWindow()
        tryCompare(settingsWindow, "visible", true)
        compare(settingsWindow.x, 0)
        compare(settingsWindow.y, 0)
        settingsWindow.close()
    }

    function test_quittingWithTheSettingsWindowOpen() {
        window.raiseSettingsWindow()
        window.saveUnsavedData()
        item("settingsWindow").close()
        window.saveUnsavedData()
    }

    function test_trafficValues() {
        var downloaded = item("downloadedValue")
        var uploaded = item("uploadedValue")
        compare(downloaded.text, "0")
        compare(downloaded.opacity, 0.4)
        vpnCore.downloaded = "12.4 MB"
        vpnCore.uploaded = "0"
        compare(downloaded.text, "12.4 MB")
        compare(downloaded.opacity, 1.0)
        compare(uploaded.opacity, 0.4)
    }

    function test_currentIp() {
        vpnCore.currentIp = "203.0.113.77"
        vpnCore.currentIpInfoText = "Your new IP address"
        vpnCore.currentLocationImageSource = "qrc:/resources/icons/flags/us.png"
        var flag = item("currentIpFlag")
        compare(item("currentIpInfoText").text, "Your new IP address")
        compare(findChild(flag, "flagText").text, "203.0.113.77")
        var image = findChild(flag, "flagImage")
        compare(image.source.toString(), "qrc:/resources/icons/flags/us.png")
        compare(image.height, Math.round(findChild(flag, "flagText").height / 2))
        compare(image.width, Math.round(image.height * 16 / 11))
        verify(item("currentIp").y >= item("connectButton").y + 300 + 10)
    }

    function test_killSwitchDialog() {
        vpnCore.killSwitchEventActivated()
        tryVerify(function() { return fixture.visibleWindowTitles().indexOf("Killswitch event") >= 0 })
        verify(fixture.saveDialogScreenshot("Killswitch event", "killswitch-dialog"))
        compare(vpnCore.calls, [])
        fixture.closeWidgetWindow("Killswitch event")
        tryVerify(function() { return vpnCore.calls.indexOf("disableKillSwitch") >= 0 }, 5000, String(vpnCore.calls))
        compare(vpnCore.calls, ["disableKillSwitch"])
        verify(fixture.visibleWindowTitles().indexOf("Killswitch event") < 0)
    }
}
