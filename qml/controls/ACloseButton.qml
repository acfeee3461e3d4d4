import QtQuick 2.15

// The "close" icon as a button.
Item {
    id: control

    signal closed()

    implicitWidth: 32
    implicitHeight: 32

    Image {
        anchors.centerIn: parent
        width: 16
        height: 16
        // Reads darkStyle so that the icon follows a change of the style.
        source: uiStyle.darkStyle, uiStyle.iconSource("close")
        sourceSize: Qt.size(32, 32)
        fillMode: Image.PreserveAspectFit
        opacity: mouseArea.pressed ? 0.5 : 1.0
    }

    AMouseAreaHandler {
        id: mouseArea
        onClicked: control.closed()
    }
}
