import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQuick.Dialogs 1.3
import QtGraphicalEffects 1.15
import DashCircle 1.0
import ConnectionState 1.0
import "controls"

// The main window: logo, chosen location and traffic, the connection button
// with the online time, the current IP, and the settings bar.
ApplicationWindow {
    id: mainWindow
    objectName: "mainWindow"

    readonly property bool connected: vpnCore.connectionState === ConnectionState.Connected
    property bool serviceError: false

    width: 400
    height: qmlApp.windowHeight()
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    flags: Qt.Window | Qt.WindowTitleHint | Qt.WindowSystemMenuHint | Qt.WindowMinimizeButtonHint
           | Qt.WindowCloseButtonHint
    title: settings.titleName()
    visible: false
    color: uiStyle.generalBackgroundColor
    font.family: FontFactory.family

    // Called by name from the application.
    function setCriticalServiceError() {
        serviceError = true
        criticalErrorArea.text = qsTr("System service is not running!")
        criticalErrorArea.visible = true
    }

    function saveUnsavedData() {
        // The settings window keeps its edits until it is hidden; quitting must not lose them.
        if (settingsWindow.visible && typeof settingsWindow.saveGeneralSettings === "function")
            settingsWindow.saveGeneralSettings()
    }

    // The button's action; the tray's item runs it too. A disabled button does nothing.
    function triggerVpnState() {
        if (qmlApp.themeEditorMode() || !connectButton.enabled)
            return
        switch (vpnCore.connectionState) {
        case ConnectionState.Disconnected:
            vpnCore.connectToVpn()
            break
        case ConnectionState.Preparing:
        case ConnectionState.Connecting:
        case ConnectionState.Connected:
            vpnCore.disconnectFromVpn()
            break
        case ConnectionState.Disconnecting:
            connectButton.showToolTip(qsTr("Disconnection in progress..."))
            break
        default:
            break
        }
    }

    function raiseMainWindow() {
        mainWindow.visible = true
        mainWindow.raise()
        mainWindow.requestActivate()
        mainWindow.showNormal()
    }

    function raiseSettingsWindow() {
        raiseMainWindow()
        if (settingsWindow.visible && settingsWindow.visibility === Window.Windowed)
            return
        if (settingsWindow.visibility === Window.Minimized) {
            settingsWindow.showNormal()
            return
        }
        settingsWindow.x = Math.max(0, mainWindow.x + (mainWindow.width - settingsWindow.width) / 2)
        settingsWindow.y = Math.max(0, mainWindow.y + (mainWindow.height - settingsWindow.height) / 2)
        settingsWindow.show()
    }

    function openServerList() {
        serverListWindow.open()
    }

    onClosing: {
        // Closing only hides the window: the client goes on in the tray.
        close.accepted = false
        if (qmlApp.desktopSessionUbuntu())
            mainWindow.showMinimized()
        else
            mainWindow.hide()
        qmlApp.scheduleMinimizedMessage()
    }

    Component.onCompleted: {
        x = Math.max(0, (Screen.width - width) / 2)
        y = Math.max(0, (Screen.height - height) / 2)
        if (qmlApp.themeEditorMode()) {
            var component = Qt.createComponent("ThemeWindow.qml")
            if (component.status === Component.Ready)
                component.createObject(mainWindow).show()
            else
                console.log("Error loading component:", component.errorString())
        }
    }

    Connections {
        target: vpnCore
        function onKillSwitchEventActivated() {
            killSwitchDialog.open()
        }
        function onVpnConnectionErrorTextChanged() {
            if (vpnCore.vpnConnectionErrorText !== "")
                connectButton.showToolTip(vpnCore.vpnConnectionErrorText)
        }
        function onVpnConnectedChanged() {
            connectButton.hideToolTip()
        }
    }

    Image {
        anchors.fill: parent
        source: uiStyle.generalBackgroundImage
        fillMode: Image.PreserveAspectCrop
        visible: source != ""
    }

    // Every key reaches this item unless a control takes it: the shortcuts,
    // and nothing else.
    Item {
        id: page
        objectName: "mainPage"
        anchors.fill: parent
        focus: true

        Keys.onPressed: {
            if (event.modifiers & Qt.ControlModifier) {
                if (event.key === Qt.Key_S)
                    mainWindow.raiseSettingsWindow()
                else if (event.key === Qt.Key_L)
                    logger.openLogFolder()
                else if (event.key === Qt.Key_A)
                    mainWindow.openServerList()
            }
            event.accepted = true
        }

        Rectangle {
            id: header
            objectName: "header"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            height: 50
            color: uiStyle.settingsPageHeaderBackgroundColor

            Image {
                objectName: "logo"
                anchors.centerIn: parent
                width: Math.min(implicitWidth, parent.width)
                height: Math.min(implicitHeight, parent.height)
                source: uiStyle.generalLogoFileName
                fillMode: Image.PreserveAspectFit
            }

            ACriticalErrorArea {
                id: criticalErrorArea
                objectName: "criticalErrorArea"
                anchors.fill: parent
            }
        }

        Item {
            id: body
            objectName: "body"
            anchors.top: header.bottom
            anchors.topMargin: 65
            anchors.horizontalCenter: parent.horizontalCenter
            width: parent.width
            height: width

            DashCircle {
                objectName: "outerCircle"
                anchors.centerIn: parent
                width: parent.width - 5
                height: width
                color: uiStyle.connectionPageCirclesColor
            }
            DashCircle {
                objectName: "innerCircle"
                anchors.centerIn: parent
                width: 290
                height: 290
                color: uiStyle.connectionPageCirclesColor
            }

            ConnectionInformation {
                id: connectionInformation
                anchors.left: parent.left
                anchors.right: parent.right
                // Above the button, mostly above the circles, so the dashed lines stay clear of the texts.
                anchors.top: parent.top
                anchors.topMargin: -40
                onClicked: mainWindow.openServerList()
            }

            ConnectionButton {
                id: connectButton
                objectName: "connectButton"
                anchors.centerIn: parent
                width: parent.width
                height: 300
                connected: mainWindow.connected
                enabled: !mainWindow.serviceError
                onClicked: mainWindow.triggerVpnState()
            }

            Column {
                objectName: "currentIp"
                anchors.top: connectButton.bottom
                anchors.topMargin: 10
                anchors.horizontalCenter: parent.horizontalCenter
                width: parent.width - 40
                spacing: 2

                AGreyLabel {
                    objectName: "currentIpInfoText"
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    text: vpnCore.currentIpInfoText
                }
                AFlagItem {
                    objectName: "currentIpFlag"
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: Math.min(implicitWidth, parent.width)
                    source: vpnCore.currentLocationImageSource
                    text: vpnCore.currentIp
                    font.pixelSize: 15
                    font.bold: true
                }
            }
        }

        SettingsButton {
            id: footer
            objectName: "settingsButton"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: 50
            onClicked: mainWindow.raiseSettingsWindow()

            SettingsWindow {
                id: settingsWindow
                objectName: "settingsWindow"
            }
        }
    }

    ServerListWindow {
        id: serverListWindow
        objectName: "serverListWindow"
        x: 0
        y: header.height
        width: mainWindow.width
        height: mainWindow.height - header.height - footer.height
    }

    MessageDialog {
        id: killSwitchDialog
        objectName: "killSwitchDialog"
        title: qsTr("Killswitch event")
        text: qsTr("Connection to Internet is blocked")
        icon: StandardIcon.Warning
        modality: Qt.ApplicationModal
        onVisibleChanged: {
            if (!visible) {
                console.log("Restore connection to Internet")
                vpnCore.disableKillSwitch()
            }
        }
    }
}
