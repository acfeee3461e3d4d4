import QtQuick 2.15
import QtQuick.Controls 2.15

// A label on the left and the switch on the right.
Switch {
    id: control

    implicitWidth: 300
    implicitHeight: 40
    padding: 0
    spacing: 12
    font.family: FontFactory.family
    font.pixelSize: 13

    indicator: Rectangle {
        id: track
        x: control.width - width - control.rightPadding
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: 41
        implicitHeight: 16
        radius: height / 2
        color: control.checked ? uiStyle.generalSwitchBackgroundColorChecked : uiStyle.generalSwitchBackgroundColor
        opacity: control.enabled ? 1.0 : 0.5

        Rectangle {
            width: 23
            height: 23
            radius: width / 2
            anchors.verticalCenter: parent.verticalCenter
            x: control.checked ? track.width - width + 2 : -2
            color: control.checked ? uiStyle.generalSwitchIndicatorColorChecked : uiStyle.generalSwitchIndicatorColor

            Behavior on x {
                NumberAnimation { duration: 100 }
            }
        }
    }

    contentItem: ALabel {
        text: control.text
        font: control.font
        rightPadding: 41 + control.spacing
        verticalAlignment: Text.AlignVCenter
        wrapMode: Text.WordWrap
        elide: Text.ElideNone
    }

    AMouseAreaHandler {
        acceptedButtons: Qt.NoButton
    }
}
