import QtQuick 2.15

// Stands in for the logger: opening the log folder is only counted.
QtObject {
    property int logFolderOpened: 0
    property var lines: []

    function openLogFolder() { logFolderOpened++ }
    function qmlLog(objectName, message) {
        var list = lines
        list.push(objectName + ": " + message)
        lines = list
    }
}
