import QtQuick 2.15
import "controls"

// One row of a server list: the arrow of an expandable row, the flag, the
// label and the star. Rows that do not match the applied phrase fold to 0 px.
Item {
    id: row
    objectName: "serverRow"

    required property int index
    required property var model
    property var listModel: null
    property string appliedPhrase: ""
    property bool expanded: false

    // A row on its way out of the list has no index any more.
    readonly property bool valid: index >= 0 && listModel !== null
    readonly property string serverId: model.Id
    readonly property bool favorite: model.Favorite
    readonly property bool serviceHeader: model.ServiceHeader
    readonly property bool serviceItem: model.ServiceItem
    // The role reads make the texts follow a change of the row's data.
    readonly property string flagSource: valid ? (model.Id, model.CountryFlagSource, listModel.attrCountryFlagSource(index)) : ""
    // A country the client has no name for shows its code.
    readonly property string labelText: {
        if (!valid)
            return ""
        var text = (model.Id, model.Name, listModel.attrBasicLabelText(index))
        return text !== "" ? text : String(model.Country).toUpperCase()
    }
    readonly property bool expandable: valid && (model.Id, listModel.attrExpandable(index))
    readonly property bool favoriteIconVisible: valid && (model.Id, model.Favorite, listModel.attrFavoriteIconVisible(index))
    readonly property bool shown: valid && (model.Id, model.SearchField, listModel.attrVisible(index, appliedPhrase))
    // Only a row with an arrow opens and closes by it; elsewhere its place chooses the server.
    readonly property bool hasArrow: expandable && flagSource !== ""

    signal toggled()
    signal favoriteClicked()
    signal chosen()
    signal wheelTurned(var wheel)

    height: shown ? 57 : 0
    visible: shown

    Rectangle {
        anchors.fill: parent
        color: rowArea.pressed || arrowArea.pressed ? uiStyle.generalListViewItemActiveColor
             : rowArea.containsMouse || arrowArea.containsMouse || starArea.containsMouse
               ? uiStyle.generalListViewSeparatorColor : uiStyle.generalListViewItemBackgroundColor
    }
    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        height: 1
        color: uiStyle.generalListViewSeparatorColor
    }

    Row {
        id: content
        anchors.left: parent.left
        anchors.leftMargin: 10 + (row.serviceItem ? 53 : 0)
        anchors.right: star.left
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        spacing: 12

        Item {
            id: arrowBox
            objectName: "rowArrow"
            width: 40
            height: row.height
            visible: row.expandable

            Image {
                anchors.centerIn: parent
                width: 8
                height: 4
                sourceSize: Qt.size(16, 8)
                visible: row.hasArrow
                source: uiStyle.darkStyle, uiStyle.iconSource(row.expanded ? "droparrow" : "uparrow")
            }
            AMouseAreaHandler {
                id: arrowArea
                enabled: row.hasArrow
                onClicked: row.toggled()
                onWheel: row.wheelTurned(wheel)
            }
        }
        AFlagItem {
            objectName: "rowFlag"
            anchors.verticalCenter: parent.verticalCenter
            width: 20
            height: 14
            visible: !row.serviceHeader
            source: row.flagSource
        }
        ABrightLabel {
            objectName: "rowLabel"
            anchors.verticalCenter: parent.verticalCenter
            width: content.width - x
            text: row.labelText
            font.pixelSize: 14
            font.bold: row.serviceHeader
        }
    }

    // Between the arrow and the star the row chooses its server; a section
    // heading has nothing to choose and opens or closes instead.
    AMouseAreaHandler {
        id: rowArea
        objectName: "rowArea"
        anchors.fill: undefined
        x: row.hasArrow ? content.x + arrowBox.width : 0
        width: (star.visible ? star.x - 10 : row.width) - x
        height: row.height
        z: -1
        onClicked: row.serviceHeader ? row.toggled() : row.chosen()
        onWheel: row.wheelTurned(wheel)
    }

    Image {
        id: star
        objectName: "rowStar"
        anchors.right: parent.right
        anchors.rightMargin: 20
        anchors.verticalCenter: parent.verticalCenter
        width: 16
        height: 16
        sourceSize: Qt.size(32, 32)
        visible: row.favoriteIconVisible
        source: row.favorite ? "qrc:/resources/icons/favorite_selected.png"
                             : (uiStyle.darkStyle, uiStyle.iconSource("favorite"))

        AMouseAreaHandler {
            id: starArea
            anchors.margins: -10
            onClicked: row.favoriteClicked()
            onWheel: row.wheelTurned(wheel)
        }
    }
}
