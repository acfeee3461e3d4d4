import QtQuick 2.15
import "controls"

// The chosen location on the left (a click opens the server list), the
// traffic counters on the right.
Item {
    id: information

    // The location follows the choice made in any of the three lists.
    property string locationText: serverListModel.locationText
    property string locationImageSource: serverListModel.locationImageSource

    signal clicked()

    implicitHeight: 50

    function followServer(model, ip) {
        locationText = model.locationText
        locationImageSource = model.locationImageSource
        vpnCore.setVpnServerIp(ip, locationText)
    }

    Connections {
        target: recomendedServersModel
        function onServerIpChanged(ip) {
            information.followServer(recomendedServersModel, ip)
        }
    }
    Connections {
        target: serverListModel
        function onServerIpChanged(ip) {
            information.followServer(serverListModel, ip)
        }
        function onSearchCountry(countryCode, locationImageSource) {
            information.locationText = vpnCore.bestStringForCountry(countryCode)
            information.locationImageSource = locationImageSource
            vpnCore.setSearchModeForCountry(countryCode)
        }
    }
    Connections {
        target: recentServersModel
        function onServerIpChanged(ip) {
            information.followServer(recentServersModel, ip)
        }
    }

    Item {
        id: location
        objectName: "serverLocation"
        anchors.left: parent.left
        anchors.leftMargin: 20
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: parent.width / 2 - 30

        AGreyLabel {
            id: locationCaption
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            text: qsTr("Server location")
        }
        AFlagItem {
            id: locationFlag
            objectName: "locationFlag"
            anchors.left: parent.left
            anchors.top: locationCaption.bottom
            anchors.topMargin: 4
            width: Math.min(implicitWidth, parent.width - arrow.width - 8)
            source: information.locationImageSource
            text: information.locationText
            font.pixelSize: 14
        }
        Image {
            id: arrow
            anchors.left: locationFlag.right
            anchors.leftMargin: 8
            anchors.verticalCenter: locationFlag.verticalCenter
            width: 8
            height: 4
            sourceSize: Qt.size(16, 8)
            source: uiStyle.darkStyle, uiStyle.iconSource("droparrow")
        }
        AMouseAreaHandler {
            onClicked: information.clicked()
        }
    }

    component Counter: Column {
        property alias caption: counterCaption.text
        property alias value: counterValue.text
        property alias valueObjectName: counterValue.objectName

        spacing: 4

        AGreyLabel {
            id: counterCaption
        }
        ABrightLabel {
            id: counterValue
            font.pixelSize: 14
            font.bold: true
            // Nothing counted yet.
            opacity: text === "0" ? 0.4 : 1.0
        }
    }

    Row {
        objectName: "traffic"
        anchors.right: parent.right
        anchors.rightMargin: 20
        anchors.top: parent.top
        spacing: 24

        Counter {
            caption: qsTr("Downloaded")
            value: vpnCore.downloaded
            valueObjectName: "downloadedValue"
        }
        Counter {
            caption: qsTr("Uploaded")
            value: vpnCore.uploaded
            valueObjectName: "uploadedValue"
        }
    }
}
