import QtQuick 2.15
import QtQuick.Controls 2.15

// A tab with a 3 px line below it, in the selected colour while it is the current tab.
TabButton {
    id: control

    implicitWidth: 160
    implicitHeight: 52
    font.family: FontFactory.family
    font.pixelSize: 15

    contentItem: Label {
        text: control.text
        font: control.font
        color: uiStyle.generalTabFontColor
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Rectangle {
        color: uiStyle.generalTabBackgroundColor

        Rectangle {
            objectName: "tabUnderline"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: 3
            color: control.checked ? uiStyle.generalTabSelectedColor : uiStyle.generalTabNonSelectedColor
        }
    }

    AMouseAreaHandler {
        acceptedButtons: Qt.NoButton
    }
}
