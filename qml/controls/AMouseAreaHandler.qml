import QtQuick 2.15

// A mouse area over the whole parent that shows the pointing hand while hovered.
MouseArea {
    anchors.fill: parent
    hoverEnabled: true
    cursorShape: Qt.PointingHandCursor
}
