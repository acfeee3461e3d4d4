import QtQuick 2.15
import QtQuick.Controls 2.15
import QtGraphicalEffects 1.15
import "controls"

// The "Settings" bar at the foot of the main window, with the gear icon left of the text.
Button {
    id: button

    readonly property color textColor: down ? uiStyle.connectionPageSettingsButtonTextColorPressed
                                            : uiStyle.connectionPageSettingsButtonTextColor
    readonly property bool tinted: uiStyle.connectionPageSettingsButtonIconColor === "auto"

    // The gear: "auto" takes the white icon tinted with the text colour, any
    // other value names the icon's variant; without a value the style
    // decides: dark style black, white while pressed; light style black.
    function iconSource(iconColor, darkStyle, pressed) {
        if (iconColor === "auto")
            return "qrc:/resources/icons/settings_white.png"
        if (iconColor !== "")
            return "qrc:/resources/icons/settings_%1.png".arg(iconColor)
        if (darkStyle)
            return "qrc:/resources/icons/settings_%1.png".arg(pressed ? "white" : "black")
        return "qrc:/resources/icons/settings_black.png"
    }

    text: qsTr("Settings")
    focusPolicy: Qt.NoFocus
    font.family: FontFactory.family
    font.pixelSize: 14

    contentItem: Item {
        Row {
            anchors.centerIn: parent
            spacing: 10

            Item {
                width: 20
                height: 20
                anchors.verticalCenter: parent.verticalCenter

                Image {
                    id: icon
                    objectName: "settingsIcon"
                    anchors.fill: parent
                    sourceSize: Qt.size(40, 40)
                    source: button.iconSource(uiStyle.connectionPageSettingsButtonIconColor,
                                              uiStyle.darkStyle, button.down)
                    visible: !button.tinted
                }
                ColorOverlay {
                    objectName: "settingsIconTint"
                    anchors.fill: icon
                    source: icon
                    color: button.textColor
                    visible: button.tinted
                }
            }
            Label {
                anchors.verticalCenter: parent.verticalCenter
                text: button.text
                font: button.font
                color: button.textColor
            }
        }
    }

    background: Rectangle {
        color: button.down ? uiStyle.connectionPageSettingsButtonBackgroundColorPressed
                           : uiStyle.connectionPageSettingsButtonBackgroundColor
    }

    AMouseAreaHandler {
        acceptedButtons: Qt.NoButton
    }
}
