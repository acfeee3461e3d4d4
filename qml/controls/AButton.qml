import QtQuick 2.15
import QtQuick.Controls 2.15

Button {
    id: control

    implicitWidth: 160
    implicitHeight: 40
    font.family: FontFactory.family
    font.pixelSize: 14

    contentItem: Label {
        text: control.text
        font: control.font
        color: control.down ? uiStyle.generalButtonTextColorPressed : uiStyle.generalButtonTextColor
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Rectangle {
        color: control.down ? uiStyle.generalButtonBackgroundColorPressed : uiStyle.generalButtonBackgroundColor
        opacity: control.enabled ? 1.0 : 0.5
    }

    AMouseAreaHandler {
        acceptedButtons: Qt.NoButton
    }
}
