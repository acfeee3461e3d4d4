import QtQuick 2.15
import QtQuick.Controls 2.15

// A combo box with a drawn triangle. With useCustomModel the rows show the
// model's "text" role (a list model), else the entries themselves (a list of texts).
ComboBox {
    id: control

    property bool useCustomModel: false

    implicitWidth: 160
    implicitHeight: 36
    font.family: FontFactory.family
    font.pixelSize: 13
    textRole: useCustomModel ? "text" : ""

    delegate: ItemDelegate {
        width: control.width
        height: 32
        highlighted: control.highlightedIndex === index
        contentItem: ALabel {
            text: control.useCustomModel ? model.text : modelData
            font: control.font
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            color: highlighted ? uiStyle.generalListViewSeparatorColor : uiStyle.generalSectionColor
        }
    }

    indicator: Canvas {
        id: triangle
        x: control.width - width - 12
        anchors.verticalCenter: parent.verticalCenter
        width: 10
        height: 6
        contextType: "2d"

        property color fill: uiStyle.settingsPageDefaultLabelColor1
        onFillChanged: requestPaint()

        onPaint: {
            var context = getContext("2d")
            context.reset()
            context.moveTo(0, 0)
            context.lineTo(width, 0)
            context.lineTo(width / 2, height)
            context.closePath()
            context.fillStyle = fill
            context.fill()
        }
    }

    contentItem: ALabel {
        leftPadding: 10
        rightPadding: 30
        text: control.displayText
        font: control.font
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        color: uiStyle.generalSectionColor
        border.width: 1
        border.color: uiStyle.generalTextFieldBorderColor
    }

    popup: Popup {
        y: control.height
        width: control.width
        // A long list scrolls inside a fixed height.
        height: control.count > 10 ? 400 : implicitHeight
        padding: 1

        contentItem: ListView {
            clip: true
            implicitHeight: contentHeight
            model: control.popup.visible ? control.delegateModel : null
            currentIndex: control.highlightedIndex
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar {
                policy: control.count > 10 ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded
                width: uiStyle.scrollBarWidth
            }
        }
        background: Rectangle {
            color: uiStyle.generalSectionColor
            border.width: 1
            border.color: uiStyle.generalTextFieldBorderColor
        }
    }

    AMouseAreaHandler {
        acceptedButtons: Qt.NoButton
    }
}
