import QtQuick 2.15

// Stands in for the application object ("qmlApp") of the windows.
QtObject {
    property bool ubuntu: false
    property bool themeEditor: false
    property int minimizedMessages: 0
    property var favorites: []

    function windowHeight() { return 650 }
    function desktopSessionUbuntu() { return ubuntu }
    function themeEditorMode() { return themeEditor }
    function runningOnWindows() { return false }
    function runningOnMacOS() { return false }
    function runningOnLinux() { return true }
    function wireGuardIsSupported() { return true }
    function scheduleMinimizedMessage() { minimizedMessages++ }
    // As the application does: every list marks the favorite.
    function setFavorite(serverId, set) {
        recomendedServersModel.setFavorite(serverId, set)
        serverListModel.setFavorite(serverId, set)
        recentServersModel.setFavorite(serverId, set)
        var list = favorites
        list.push(serverId + " " + set)
        favorites = list
    }
}
