import QtQuick 2.15

// The API has not answered yet: no list has any rows.
WindowTestCase {
    name: "ServerListWithoutServers"
    loadServers: false

    function test_1_emptyListsSayNoItems() {
        openServerList()
        var names = ["recommendedList", "allList", "recentList"]
        for (var i = 0; i < names.length; ++i) {
            showTab(Qt.Key_1 + i)
            compare(item(names[i] + "View").visible, false, names[i])
            compare(item(names[i] + "Empty").visible, true, names[i])
            compare(item(names[i] + "Empty").text, "No items to display")
        }
        compare(item("locationFlag").text, "Not selected")
        screenshot("serverlist-empty")
    }

    function test_2_aListArrivingWhileOpen() {
        openServerList()
        showTab(Qt.Key_2)
        typeSearch("lon")
        compare(item("allListEmpty").visible, true)
        fixture.loadServers()
        tryCompare(item("allListView"), "visible", true)
        compare(item("allListEmpty").visible, false)
        // The phrase in use is applied to the new rows: the matching servers show in their countries.
        tryCompare(item("allList"), "appliedPhrase", "lon")
        compare(labels("allList", true), ["United Kingdom", "London"])
        screenshot("serverlist-arrived-while-open")
    }
}
