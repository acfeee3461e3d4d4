import QtQuick 2.15
import QtQuick.Controls 2.15
import "controls"

// The round on/off button. Only presses inside the circle count.
Item {
    id: button

    property bool connected: false
    readonly property alias pressed: hitArea.pressed
    readonly property alias circle: circle

    signal clicked()

    function showToolTip(text) {
        toolTip.text = text
        toolTip.open()
    }
    function hideToolTip() {
        toolTip.close()
    }

    ToolTip {
        id: toolTip
        objectName: "connectButtonToolTip"
        parent: circle
        x: (circle.width - width) / 2
        y: circle.height + 6
        timeout: 5000
        font.family: FontFactory.family
        font.pixelSize: 12
    }

    Rectangle {
        id: circle
        objectName: "connectButtonCircle"
        anchors.centerIn: parent
        width: 200
        height: 200
        radius: width / 2
        opacity: hitArea.pressed ? 0.75 : (button.enabled ? 1.0 : 0.6)
        gradient: Gradient {
            GradientStop {
                position: 0.10
                color: button.connected ? uiStyle.connectionPageVpnConnectedButtonGradientColor1
                                        : uiStyle.connectionPageVpnDisconnectedButtonGradientColor1
            }
            GradientStop {
                position: 0.4
                color: button.connected ? uiStyle.connectionPageVpnConnectedButtonGradientColor2
                                        : uiStyle.connectionPageVpnDisconnectedButtonGradientColor2
            }
            GradientStop {
                position: 1.00
                color: button.connected ? uiStyle.connectionPageVpnConnectedButtonGradientColor3
                                        : uiStyle.connectionPageVpnDisconnectedButtonGradientColor3
            }
        }

        // Not connected: the switch on a white disc.
        Rectangle {
            objectName: "switchOnDisc"
            anchors.centerIn: parent
            width: 156
            height: 156
            radius: width / 2
            color: uiStyle.connectionPageVpnSwitchBackgroundColor
            visible: !button.connected

            Column {
                anchors.centerIn: parent
                spacing: 6

                Image {
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: 44
                    height: 44
                    sourceSize: Qt.size(80, 80)
                    source: "qrc:/resources/icons/greenswitch.png"
                }
                Label {
                    objectName: "switchOnLabel"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: qsTr("SWITCH ON")
                    font.family: FontFactory.family
                    font.bold: true
                    font.pixelSize: 12
                    color: uiStyle.connectionPageVpnSwitchLabelColor
                }
            }
        }

        // Connected: the switch in the upper half, the online time in the lower.
        Item {
            objectName: "switchOffDisc"
            anchors.centerIn: parent
            width: 155
            height: 155
            visible: button.connected

            Item {
                id: upperHalf
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                height: parent.height / 2
                clip: true

                Rectangle {
                    width: parent.width
                    height: parent.width
                    radius: width / 2
                    color: uiStyle.connectionPageVpnDurationBackgroundColor
                }
                Column {
                    anchors.horizontalCenter: parent.horizontalCenter
                    anchors.bottom: parent.bottom
                    anchors.bottomMargin: qmlApp.runningOnWindows() ? 1 : 4
                    spacing: 2

                    Image {
                        anchors.horizontalCenter: parent.horizontalCenter
                        width: 34
                        height: 34
                        sourceSize: Qt.size(80, 80)
                        source: "qrc:/resources/icons/redswitch.png"
                    }
                    Label {
                        objectName: "switchOffLabel"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: qsTr("SWITCH OFF")
                        font.family: FontFactory.family
                        font.bold: true
                        font.pixelSize: 12
                        color: uiStyle.connectionPageVpnSwitchLabelColor
                    }
                }
            }
            Item {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                height: parent.height / 2
                clip: true

                Rectangle {
                    y: -parent.height
                    width: parent.width
                    height: parent.width
                    radius: width / 2
                    color: uiStyle.connectionPageVpnSwitchBackgroundColor
                }
                Column {
                    anchors.horizontalCenter: parent.horizontalCenter
                    anchors.top: parent.top
                    anchors.topMargin: 8
                    spacing: 0

                    Label {
                        objectName: "durationLabel"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: qsTr("DURATION")
                        font.family: FontFactory.family
                        font.pixelSize: 11
                        color: uiStyle.connectionPageVpnDurationLabelColor
                    }
                    Label {
                        objectName: "onlineTimeLabel"
                        anchors.horizontalCenter: parent.horizontalCenter
                        text: vpnCore.vpnOnlineTime
                        font.family: FontFactory.family
                        font.bold: true
                        font.pixelSize: 16
                        color: uiStyle.connectionPageVpnTimerLabelColor
                    }
                }
            }
        }

        MouseArea {
            id: hitArea
            objectName: "connectButtonHitArea"

            property bool hovering: false

            // The squared distance from the centre must stay below the squared radius.
            function inside(x, y) {
                var radius = Math.min(width, height) / 2
                var dx = x - width / 2
                var dy = y - height / 2
                return dx * dx + dy * dy < radius * radius
            }

            anchors.fill: parent
            hoverEnabled: true
            cursorShape: hovering ? Qt.PointingHandCursor : Qt.ArrowCursor
            onPositionChanged: hovering = inside(mouse.x, mouse.y)
            onExited: hovering = false
            onPressed: mouse.accepted = inside(mouse.x, mouse.y)
            onClicked: {
                if (inside(mouse.x, mouse.y))
                    button.clicked()
            }
        }
    }
}
