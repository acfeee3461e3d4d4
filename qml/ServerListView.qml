import QtQuick 2.15
import QtQuick.Controls 2.15
import "controls"

// One tab of the server list: the rows of a server list model under the
// search phrase it last applied, or "No items to display".
Item {
    id: view

    property var listModel: null
    property string searchPhrase: ""
    // The phrase the rows are filtered with: it follows the search phrase
    // while the list is shown, and catches up when the list is shown again.
    property string appliedPhrase: ""
    readonly property alias list: list

    // Expanded rows by server id, kept here because delegates come and go while scrolling.
    property var expandedRows: ({})
    property int expandedRowsRevision: 0

    signal serverChosen(string serverId)

    function applySearchPhrase() {
        if (appliedPhrase === searchPhrase)
            return
        // A search opens every country and both sections, so matching servers can show.
        listModel.expandAll()
        appliedPhrase = searchPhrase
    }

    function setExpanded(serverId, expanded) {
        expandedRows[serverId] = expanded
        expandedRowsRevision++
    }

    function isExpanded(serverId) {
        return expandedRows[serverId] === true
    }

    onSearchPhraseChanged: {
        if (visible)
            applySearchPhrase()
    }
    onVisibleChanged: {
        if (visible)
            applySearchPhrase()
    }

    Connections {
        target: view.listModel
        function onExpandableStateChanged(srvId, expand) {
            view.setExpanded(srvId, expand)
        }
        // New rows arrive collapsed: a phrase in use is applied to them again,
        // or its servers would stay hidden inside their countries. The model
        // reports before it has finished building, so this waits a moment.
        function onIsEmptyChanged() {
            view.appliedPhrase = ""
            Qt.callLater(function() {
                if (view.visible)
                    view.applySearchPhrase()
            })
        }
    }

    // The scroll bar is shown a little longer after the last wheel step.
    Timer {
        id: wheelTimer
        interval: 500
    }

    ListView {
        id: list
        objectName: view.objectName + "View"
        anchors.fill: parent
        clip: true
        visible: view.listModel !== null && view.listModel.isEmpty
        model: view.listModel
        boundsBehavior: Flickable.StopAtBounds
        flickableDirection: Flickable.VerticalFlick

        // Scrolls by a wheel event over a row: three lines of 20 px per 15° step.
        function scrollByWheel(wheel) {
            if (contentHeight <= height)
                return
            var pixels = wheel.angleDelta.y !== 0 ? wheel.angleDelta.y / 8 / 15 * 20 * 3 : wheel.pixelDelta.y
            if (pixels === 0)
                return
            var top = originY
            var bottom = originY + contentHeight - height
            contentY = Math.max(top, Math.min(bottom, contentY - pixels))
            wheelTimer.restart()
        }

        ScrollBar.vertical: ScrollBar {
            id: scrollBar
            objectName: view.objectName + "ScrollBar"
            policy: ScrollBar.AlwaysOn
            width: uiStyle.scrollBarWidth
            padding: 0
            active: pressed || hovered || wheelTimer.running
            contentItem: Rectangle {
                implicitWidth: uiStyle.scrollBarWidth
                radius: width / 2
                color: uiStyle.generalGreyLabelColor
                opacity: scrollBar.active ? 0.9 : 0.5
                visible: scrollBar.size < 1.0
            }
            background: Item {}
        }

        delegate: ServerListRow {
            width: list.width - uiStyle.scrollBarWidth
            listModel: view.listModel
            appliedPhrase: view.appliedPhrase
            expanded: view.expandedRowsRevision, view.isExpanded(serverId)
            onToggled: {
                view.setExpanded(serverId, !expanded)
                view.listModel.expandCurrentItem(serverId, view.isExpanded(serverId))
            }
            onFavoriteClicked: qmlApp.setFavorite(serverId, !favorite)
            onChosen: {
                view.listModel.updateCurrentServer(serverId)
                view.serverChosen(serverId)
            }
            onWheelTurned: list.scrollByWheel(wheel)
        }
    }

    AGreyLabel {
        objectName: view.objectName + "Empty"
        anchors.centerIn: parent
        visible: !list.visible
        text: qsTr("No items to display")
        font.pixelSize: 14
    }
}
