import QtQuick 2.15
import QtQuick.Controls 2.15

// The right-click menu of a text field.
Menu {
    id: menu

    property var textField: null
    // A field that only takes pasted text offers no cut and copy.
    property bool pasteOnly: textField ? textField.echoMode !== TextInput.Normal : false

    font.family: FontFactory.family
    font.pixelSize: 13

    onAboutToShow: {
        // Selection and clipboard are read at the moment the menu opens.
        cutItem.enabled = textField && !pasteOnly && textField.selectedText !== ""
        copyItem.enabled = cutItem.enabled
        pasteItem.enabled = textField && textField.canPaste
    }

    MenuItem {
        id: cutItem
        objectName: "cutMenuItem"
        text: qsTr("Cut")
        onTriggered: textField.cut()
    }
    MenuItem {
        id: copyItem
        objectName: "copyMenuItem"
        text: qsTr("Copy")
        onTriggered: textField.copy()
    }
    MenuItem {
        id: pasteItem
        objectName: "pasteMenuItem"
        text: qsTr("Paste")
        onTriggered: textField.paste()
    }
}
