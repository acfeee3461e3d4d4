import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15
import QtQuick.Controls.Universal 2.15

ApplicationWindow {
    id: mainWindow
    width: 400
    height: qmlApp.windowHeight()
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    flags: Qt.Window | Qt.WindowTitleHint | Qt.WindowSystemMenuHint
           | Qt.WindowMinimizeButtonHint | Qt.WindowCloseButtonHint
    title: settings.titleName()
    visible: false
    color: uiStyle.generalBackgroundColor

    Image {
        anchors.fill: parent
        source: uiStyle.generalBackgroundImage
        fillMode: Image.PreserveAspectCrop
        visible: source != ""
    }

    // Called by name from the application object.
    function raiseMainWindow() {
        mainWindow.show()
        mainWindow.raise()
        mainWindow.requestActivate()
    }
    function raiseSettingsWindow() {
        raiseMainWindow()
    }
    function triggerVpnState() {
    }
    function saveUnsavedData() {
    }
    function setCriticalServiceError() {
    }

    onClosing: {
        close.accepted = false
        mainWindow.hide()
        qmlApp.scheduleMinimizedMessage()
    }

    Component.onCompleted: {
        x = (Screen.width - width) / 2
        y = (Screen.height - height) / 2
    }
}
