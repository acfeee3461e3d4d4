import QtQuick 2.15
import QtQuick.Controls 2.15

// A country flag cropped to fill its place. With a text the flag sits on its
// left, half as high as the text and 5 px apart; without one it fills the item.
Item {
    id: item

    property string source: "qrc:/resources/icons/flags/th.png"
    property string text: ""
    property alias font: label.font
    property alias color: label.color
    property alias horizontalAlignment: label.horizontalAlignment
    readonly property bool hasText: text !== ""
    // Beside a text, no picture at all takes no place; a picture that fails to load keeps its place.
    readonly property bool hasFlag: source !== ""

    implicitWidth: hasText ? (hasFlag ? flag.width + 5 : 0) + label.implicitWidth : 20
    implicitHeight: hasText ? label.implicitHeight : 14

    Image {
        id: flag
        objectName: "flagImage"
        anchors.verticalCenter: parent.verticalCenter
        height: item.hasText ? Math.round(label.height / 2) : item.height
        // The picture's own proportions; a missing picture keeps the place of a 16:11 flag.
        readonly property real aspect: implicitHeight > 0 ? implicitWidth / implicitHeight : 16 / 11
        width: item.hasText ? (item.hasFlag ? Math.round(height * aspect) : 0) : item.width
        visible: item.hasFlag
        source: item.source
        fillMode: Image.PreserveAspectCrop
        clip: true
        smooth: true
    }

    ABrightLabel {
        id: label
        objectName: "flagText"
        visible: item.hasText
        anchors.left: flag.right
        anchors.leftMargin: item.hasFlag ? 5 : 0
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        text: item.text
    }
}
