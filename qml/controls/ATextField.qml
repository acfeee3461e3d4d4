import QtQuick 2.15
import QtQuick.Controls 2.15

TextField {
    id: control

    implicitWidth: 100
    implicitHeight: 36
    leftPadding: 10
    rightPadding: 10
    font.family: FontFactory.family
    font.pixelSize: 13
    color: uiStyle.settingsPageDefaultLabelColor1
    placeholderTextColor: uiStyle.generalGreyLabelColor
    selectByMouse: true

    background: Rectangle {
        color: control.enabled ? uiStyle.generalSectionColor : "#353637"
        border.width: control.enabled ? 1 : 0
        border.color: uiStyle.generalTextFieldBorderColor
    }

    AContextMenu {
        id: contextMenu
        textField: control
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.RightButton
        cursorShape: Qt.IBeamCursor
        onClicked: contextMenu.popup()
    }
}
