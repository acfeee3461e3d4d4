import QtQuick 2.15

// A label over a text field of at most 32 characters.
Column {
    id: control

    property alias label: caption.text
    property alias text: field.text
    property alias echoMode: field.echoMode
    property alias field: field

    spacing: 6

    ALabel {
        id: caption
        width: control.width
    }
    ATextField {
        id: field
        width: control.width
        maximumLength: 32
    }
}
