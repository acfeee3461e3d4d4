import QtQuick 2.15
import QtQuick.Window 2.15

// The settings window's frame: fixed size, titled like the main window, with
// title bar, system menu and close button only. Escape closes it.
Window {
    id: settingsWindow

    width: 600
    height: qmlApp.windowHeight()
    minimumWidth: width
    maximumWidth: width
    minimumHeight: height
    maximumHeight: height
    flags: Qt.Window | Qt.WindowTitleHint | Qt.WindowSystemMenuHint | Qt.WindowCloseButtonHint
    title: settings.titleName()
    color: uiStyle.generalBackgroundColor
    visible: false

    Item {
        anchors.fill: parent
        focus: true
        Keys.onEscapePressed: settingsWindow.close()
    }
}
