import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import ConnectionState 1.0

// A test case over a fresh main window per test, with the stand-ins reset.
TestCase {
    id: testCase

    property var window: null
    // Whether the server directory arrives before each test (else the lists stay as they are).
    property bool loadServers: true

    when: windowShown

    function init() {
        vpnCore.connectionState = ConnectionState.Disconnected
        vpnCore.vpnConnectionErrorText = ""
        vpnCore.downloaded = "0"
        vpnCore.uploaded = "0"
        vpnCore.vpnOnlineTime = "00:00:00"
        vpnCore.currentIp = "198.51.100.23"
        vpnCore.currentIpInfoText = "Your IP address"
        vpnCore.currentLocationImageSource = "qrc:/resources/icons/flags/de.png"
        vpnCore.clearCalls()
        qmlApp.ubuntu = false
        qmlApp.themeEditor = false
        qmlApp.minimizedMessages = 0
        qmlApp.favorites = []
        logger.logFolderOpened = 0
        if (loadServers)
            fixture.loadServers()
        var component = Qt.createComponent("qrc:/qml/main.qml")
        compare(component.status, Component.Ready, component.errorString())
        window = component.createObject(testCase)
        verify(window, "the main window is created")
        window.show()
        window.requestActivate()
        tryVerify(function() { return window.active }, 5000, "the main window is active")
    }

    function cleanup() {
        fixture.resetTheme()
        if (window)
            window.destroy()
        window = null
        wait(0)
    }

    // The item of the main window with that object name.
    function item(name, parent) {
        var found = findChild(parent || window, name)
        verify(found, "an item named " + name)
        return found
    }

    // The shown rows of a list ("recommendedList", "allList", "recentList"), top to bottom.
    function rows(listName) {
        var view = item(listName + "View")
        view.forceLayout()
        var result = []
        var children = view.contentItem.children
        for (var i = 0; i < children.length; ++i) {
            if (children[i].objectName === "serverRow")
                result.push(children[i])
        }
        result.sort(function(a, b) { return a.index - b.index })
        return result
    }

    function row(listName, label) {
        var all = rows(listName)
        for (var i = 0; i < all.length; ++i) {
            if (all[i].labelText === label)
                return all[i]
        }
        fail("no row " + label + " in " + listName)
    }

    function labels(listName, shownOnly) {
        var all = rows(listName)
        var result = []
        for (var i = 0; i < all.length; ++i) {
            if (!shownOnly || all[i].shown)
                result.push(all[i].labelText)
        }
        return result
    }

    function openServerList() {
        var list = item("serverListWindow")
        mouseClick(item("serverLocation"))
        tryCompare(list, "opened", true)
        return list
    }

    function typeSearch(text) {
        var field = item("searchField")
        mouseClick(field)
        field.selectAll()
        keyClick(Qt.Key_Backspace)
        for (var i = 0; i < text.length; ++i)
            keyClick(text.charAt(i))
        compare(field.text, text)
    }

    function clearSearch() {
        var field = item("searchField")
        field.selectAll()
        keyClick(Qt.Key_Backspace)
        compare(field.text, "")
    }

    function showTab(key) {
        // The tab keys act while the list, not the search field, has the focus.
        item("serverListWindow").contentItem.forceActiveFocus()
        keyClick(key)
    }

    // Grabbing renders the window as it stands, layout included.
    function screenshot(name) {
        verify(fixture.saveScreenshot(window, name), "screenshot " + name)
    }
}
