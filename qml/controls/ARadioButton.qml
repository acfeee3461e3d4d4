import QtQuick 2.15
import QtQuick.Controls 2.15

RadioButton {
    id: control

    padding: 0
    spacing: 10
    font.family: FontFactory.family
    font.pixelSize: 13

    indicator: Rectangle {
        x: control.leftPadding
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: 20
        implicitHeight: 20
        radius: width / 2
        color: uiStyle.generalRadioButtonBackgroundColor
        border.width: 2
        border.color: uiStyle.generalRadioButtonBorderColor
        opacity: control.enabled ? 1.0 : 0.5

        Rectangle {
            anchors.centerIn: parent
            width: 10
            height: 10
            radius: width / 2
            color: uiStyle.generalRadioButtonSelectedColor
            visible: control.checked
        }
    }

    contentItem: ALabel {
        text: control.text
        font: control.font
        leftPadding: control.indicator.width + control.spacing
        verticalAlignment: Text.AlignVCenter
    }

    AMouseAreaHandler {
        acceptedButtons: Qt.NoButton
    }
}
