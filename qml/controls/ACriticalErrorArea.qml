import QtQuick 2.15
import QtQuick.Controls 2.15

// A red band with a bold centred message; hidden until it is given one to show.
Rectangle {
    id: area

    property alias text: message.text

    color: "red"
    opacity: 0.95
    visible: false

    Label {
        id: message
        objectName: "criticalErrorText"
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 10
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font.family: FontFactory.family
        font.bold: true
        font.pixelSize: 14
        color: "white"
        wrapMode: Text.WordWrap
        elide: Text.ElideRight
    }

    // The area covers what is below it: clicks do not reach through.
    MouseArea {
        anchors.fill: parent
    }
}
