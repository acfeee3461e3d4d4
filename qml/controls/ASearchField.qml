import QtQuick 2.15

// A text field with the search icon on its left; its text is the search phrase.
ATextField {
    id: control

    readonly property string searchPhrase: text

    implicitWidth: 180
    leftPadding: 34
    placeholderText: qsTr("Search")

    Image {
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        width: 16
        height: 16
        source: uiStyle.darkStyle, uiStyle.iconSource("search")
        sourceSize: Qt.size(32, 32)
        fillMode: Image.PreserveAspectFit
        opacity: 0.6
    }
}
