import QtQuick 2.15

WindowTestCase {
    name: "ServerList"

    function test_tabsByKeysAndClicks() {
        var list = openServerList()
        compare(list.currentTab, 0)
        verify(item("recommendedTab").checked)
        compare(item("recommendedList").visible, true)
        compare(item("allList").visible, false)

        showTab(Qt.Key_2)
        compare(list.currentTab, 1)
        verify(!item("recommendedTab").checked)
        verify(item("allTab").checked)
        compare(item("allList").visible, true)
        compare(item("recommendedList").visible, false)

        showTab(Qt.Key_3)
        compare(list.currentTab, 2)
        compare(item("recentList").visible, true)

        mouseClick(item("recommendedTab"))
        compare(list.currentTab, 0)
        verify(!item("recentTab").checked)

        // A digit typed into the search field is text, not a tab.
        typeSearch("2")
        compare(list.currentTab, 0)
        compare(item("searchField").text, "2")
    }

    // The All tab under a search phrase: rows that do not match fold to 0 px.
    function test_rowHeightsUnderASearch_data() {
        return [
            { tag: "city", phrase: "tokyo", shown: ["Japan", "Tokyo"] },
            { tag: "part of two cities", phrase: "fr",
              shown: ["France", "Paris", "Marseille", "Germany", "Frankfurt"] },
            { tag: "country name", phrase: "GERMANY", shown: ["Germany", "Berlin", "Frankfurt"] },
            { tag: "server name", phrase: "us-chi", shown: ["United States", "Chicago"] },
            { tag: "inner blanks", phrase: "new  york", shown: ["United States", "New York"] },
            { tag: "nothing matches", phrase: "atlantis", shown: [] }
        ]
    }

    function test_rowHeightsUnderASearch(data) {
        openServerList()
        showTab(Qt.Key_2)
        typeSearch(data.phrase)
        var all = rows("allList")
        var shown = []
        for (var i = 0; i < all.length; ++i) {
            compare(all[i].height, all[i].shown ? 57 : 0, all[i].labelText)
            compare(all[i].visible, all[i].shown)
            if (all[i].shown)
                shown.push(all[i].labelText)
        }
        compare(shown, data.shown)
    }

    function test_clearingTheSearchKeepsCountriesOpen() {
        openServerList()
        showTab(Qt.Key_2)
        var collapsed = labels("allList").length
        typeSearch("paris")
        compare(labels("allList", true), ["France", "Paris"])
        clearSearch()
        var shown = labels("allList", true)
        verify(shown.length > collapsed, "every country stays expanded")
        verify(shown.indexOf("Tokyo") >= 0 && shown.indexOf("Japan") >= 0)
        compare(row("allList", "France").expanded, true)
    }

    function test_aHiddenListCatchesUpWhenShown() {
        openServerList()
        typeSearch("zurich")
        compare(labels("recommendedList", true), ["Zurich"])
        compare(item("allList").appliedPhrase, "", "the hidden list waits")
        showTab(Qt.Key_2)
        compare(item("allList").appliedPhrase, "zurich")
        compare(labels("allList", true), ["Switzerland", "Zurich"])
    }

    function test_arrowOpensAndClosesACountry() {
        openServerList()
        showTab(Qt.Key_2)
        var france = row("allList", "France")
        compare(france.expanded, false)
        mouseClick(findChild(france, "rowArrow"))
        tryCompare(france, "expanded", true)
        var shown = labels("allList", true)
        compare(shown.slice(shown.indexOf("France"), shown.indexOf("France") + 3), ["France", "Paris", "Marseille"])
        mouseClick(findChild(france, "rowArrow"))
        tryCompare(france, "expanded", false)
        compare(labels("allList", true).indexOf("Paris"), -1)
        compare(item("serverListWindow").opened, true, "the arrow does not choose")
    }

    function test_choosingAServerClosesTheList() {
        var list = openServerList()
        showTab(Qt.Key_2)
        mouseClick(findChild(row("allList", "Canada"), "rowArrow"))
        mouseClick(row("allList", "Toronto"))
        tryCompare(list, "visible", false)
        compare(item("locationFlag").text, "CA, Toronto")
        verify(item("locationFlag").source.indexOf("flags/ca.png") >= 0)
        verify(vpnCore.calls.indexOf("setVpnServerIp 10.0.8.1 CA, Toronto") >= 0, String(vpnCore.calls))
    }

    function test_choosingACountryShowsItsBestServerText() {
        var list = openServerList()
        showTab(Qt.Key_2)
        mouseClick(row("allList", "Japan"))
        tryCompare(list, "visible", false)
        compare(item("locationFlag").text, vpnCore.bestStringForCountry("jp"))
        verify(vpnCore.calls.indexOf("setSearchModeForCountry jp") >= 0, String(vpnCore.calls))
    }

    // A server chosen after a whole country takes the place of the country again.
    function test_serverAfterACountry() {
        var list = openServerList()
        mouseClick(row("recommendedList", "Stockholm"))
        tryCompare(list, "visible", false)
        compare(item("locationFlag").text, "SE, Stockholm")
        openServerList()
        showTab(Qt.Key_2)
        mouseClick(row("allList", "Japan"))
        tryCompare(list, "visible", false)
        compare(item("locationFlag").text, "Best in jp")
        vpnCore.clearCalls()
        openServerList()
        showTab(Qt.Key_1)
        mouseClick(row("recommendedList", "Stockholm"))
        tryCompare(list, "visible", false)
        compare(item("locationFlag").text, "SE, Stockholm")
        compare(vpnCore.calls, ["setVpnServerIp 10.0.7.1 SE, Stockholm"])
    }

    function test_starMarksAFavorite() {
        openServerList()
        var berlin = row("recommendedList", "Berlin")
        compare(berlin.favorite, false)
        mouseClick(findChild(berlin, "rowStar"))
        compare(qmlApp.favorites, ["10.0.0.1 true"])
        tryCompare(berlin, "favorite", true)
        verify(findChild(berlin, "rowStar").source.toString().indexOf("favorite_selected.png") >= 0)
        compare(item("serverListWindow").opened, true, "the star does not choose")

        // The Recent tab lists it under its header.
        showTab(Qt.Key_3)
        mouseClick(row("recentList", "Favorite Servers"))
        tryVerify(function() { return labels("recentList", true).indexOf("Berlin") === 1 })

        mouseClick(findChild(row("recentList", "Berlin"), "rowStar"))
        tryVerify(function() { return labels("recentList", true).indexOf("Berlin") < 0 })
        tryCompare(berlin, "favorite", false)
    }

    function test_recentServersUnderTheirHeader() {
        fixture.appendRecentServer("10.0.4.1")
        openServerList()
        showTab(Qt.Key_3)
        var header = row("recentList", "Recent Servers")
        mouseClick(header)
        tryVerify(function() { return labels("recentList", true).indexOf("Tokyo") > 0 })
        var tokyo = row("recentList", "Tokyo")
        var itemLabel = findChild(tokyo, "rowLabel")
        var headerLabel = findChild(header, "rowLabel")
        verify(itemLabel.mapToItem(tokyo, 0, 0).x > headerLabel.mapToItem(header, 0, 0).x + 20, "items are indented")
        mouseClick(tokyo)
        tryCompare(item("serverListWindow"), "visible", false)
        compare(item("locationFlag").text, "JP, Tokyo")
    }

    function test_wheelScrollsTheList() {
        openServerList()
        showTab(Qt.Key_2)
        typeSearch(" ")
        var view = item("allListView")
        verify(view.contentHeight > view.height)
        var target = row("allList", "Australia")
        var start = view.contentY
        // One 15° step: three lines of 20 px.
        mouseWheel(target, 50, 20, 0, -120)
        compare(view.contentY, start + 60)
        verify(item("allListScrollBar").active, "the scroll bar shows while the wheel turns")
        tryCompare(item("allListScrollBar"), "active", false, 3000)
        // A long turn stops at the end of the list.
        mouseWheel(row("allList", "Australia"), 50, 20, 0, -120 * 200)
        compare(view.contentY, view.originY + view.contentHeight - view.height)
        mouseWheel(rows("allList")[rows("allList").length - 1], 50, 20, 0, 120 * 200)
        compare(view.contentY, view.originY)
    }

    function test_longNamesElide() {
        openServerList()
        showTab(Qt.Key_2)
        var zealand = row("allList", "New Zealand")
        mouseClick(findChild(zealand, "rowArrow"))
        var longRow = row("allList", "Llanfairpwllgwyngyllgogerychwyrndrobwllllantysiliogogogoch Upper Harbour")
        var label = findChild(longRow, "rowLabel")
        var star = findChild(longRow, "rowStar")
        verify(label.truncated, "the long name is cut short")
        verify(label.mapToItem(longRow, label.width, 0).x <= star.x, "the name ends before the star")
        compare(star.x, findChild(zealand, "rowStar").x)
        item("allListView").positionViewAtIndex(longRow.index, ListView.Center)
        mouseMove(window, 0, 0)
        screenshot("serverlist-long-name")
    }

    function test_closeButtonHidesTheList() {
        var list = openServerList()
        showTab(Qt.Key_3)
        typeSearch("par")
        mouseClick(item("serverListCloseButton"))
        tryCompare(list, "visible", false)
        compare(vpnCore.calls, [])
        // Tab and phrase survive until the next opening.
        openServerList()
        compare(list.currentTab, 2)
        compare(list.searchPhrase, "par")
    }
}
