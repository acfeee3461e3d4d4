import QtQuick 2.15
import QtQuick.Controls 2.15
import "controls"

// The modal server list over the main window: a top bar with the search
// field, three tabs (keys 1, 2 and 3) and one list per tab.
Popup {
    id: window

    readonly property alias currentTab: tabBar.currentIndex
    readonly property alias searchPhrase: searchField.searchPhrase

    parent: Overlay.overlay
    modal: true
    focus: true
    padding: 0
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside

    enter: Transition {
        NumberAnimation { property: "opacity"; from: 0.0; to: 1.0; duration: 120 }
    }
    exit: Transition {
        NumberAnimation { property: "opacity"; from: 1.0; to: 0.0; duration: 120 }
    }

    background: Rectangle {
        color: uiStyle.generalBackgroundColor
    }

    component ListTab: ATabButton {
        implicitWidth: tabBar.width / 3
        implicitHeight: 40
        leftPadding: 4
        rightPadding: 4
        font.pixelSize: 13
        focusPolicy: Qt.NoFocus
    }

    contentItem: Item {
        id: content
        focus: true

        Keys.onPressed: {
            if (event.key >= Qt.Key_1 && event.key <= Qt.Key_3) {
                tabBar.currentIndex = event.key - Qt.Key_1
                event.accepted = true
            }
        }

        Rectangle {
            id: topBar
            objectName: "serverListTopBar"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            height: 50
            color: uiStyle.generalHeaderBackgroundColor

            ACloseButton {
                id: closeButton
                objectName: "serverListCloseButton"
                anchors.left: parent.left
                anchors.leftMargin: 10
                anchors.verticalCenter: parent.verticalCenter
                onClosed: window.close()
            }
            ABrightLabel {
                id: title
                anchors.left: closeButton.right
                anchors.leftMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("Serverlist")
                font.pixelSize: 15
                elide: Text.ElideNone
            }
            ASearchField {
                id: searchField
                objectName: "searchField"
                anchors.left: title.right
                anchors.leftMargin: 16
                anchors.right: parent.right
                anchors.rightMargin: 12
                anchors.verticalCenter: parent.verticalCenter
                // Escape leaves the field for the list, and a second one closes the window.
                Keys.onEscapePressed: content.forceActiveFocus()
            }
            Rectangle {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.bottom
                height: 2
                color: uiStyle.generalTabNonSelectedColor
            }
        }

        TabBar {
            id: tabBar
            objectName: "serverListTabs"
            anchors.top: topBar.bottom
            anchors.topMargin: 2
            anchors.horizontalCenter: parent.horizontalCenter
            width: parent.width - 40
            height: 40
            contentHeight: 40
            currentIndex: 0
            focusPolicy: Qt.NoFocus
            background: Rectangle {
                color: uiStyle.generalTabBackgroundColor
            }

            ListTab {
                objectName: "recommendedTab"
                text: qsTr("Recommended")
            }
            ListTab {
                objectName: "allTab"
                text: qsTr("All")
            }
            ListTab {
                objectName: "recentTab"
                text: qsTr("Recent")
            }
        }

        Item {
            id: lists
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: tabBar.bottom
            anchors.bottom: parent.bottom

            ServerListView {
                objectName: "recommendedList"
                anchors.fill: parent
                listModel: recomendedServersModel
                searchPhrase: searchField.searchPhrase
                visible: tabBar.currentIndex === 0
                onServerChosen: window.close()
            }
            ServerListView {
                objectName: "allList"
                anchors.fill: parent
                listModel: serverListModel
                searchPhrase: searchField.searchPhrase
                visible: tabBar.currentIndex === 1
                onServerChosen: window.close()
            }
            ServerListView {
                objectName: "recentList"
                anchors.fill: parent
                listModel: recentServersModel
                searchPhrase: searchField.searchPhrase
                visible: tabBar.currentIndex === 2
                onServerChosen: window.close()
            }
        }
    }
}
