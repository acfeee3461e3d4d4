import QtQuick 2.15

WindowTestCase {
    name: "SettingsButton"

    // The gear by the theme's icon colour, the style and the pressed state.
    function test_iconRule_data() {
        var icons = "qrc:/resources/icons/"
        return [
            { tag: "light style", color: "", dark: false, normal: "settings_black", pressed: "settings_black", tinted: false },
            { tag: "dark style", color: "", dark: true, normal: "settings_black", pressed: "settings_white", tinted: false },
            { tag: "named white", color: "white", dark: false, normal: "settings_white", pressed: "settings_white", tinted: false },
            { tag: "named black, dark style", color: "black", dark: true, normal: "settings_black", pressed: "settings_black", tinted: false },
            { tag: "auto", color: "auto", dark: false, normal: "settings_white", pressed: "settings_white", tinted: true }
        ]
    }

    function test_iconRule(data) {
        fixture.setThemeValue("connectionPageSettingsButtonIconColor", data.color)
        fixture.setThemeValue("appPropertyDarkStyle", data.dark)
        var button = item("settingsButton")
        var icon = item("settingsIcon")
        var tint = item("settingsIconTint")
        compare(icon.source.toString(), "qrc:/resources/icons/" + data.normal + ".png")
        compare(icon.status, Image.Ready, "the icon exists")
        compare(tint.visible, data.tinted)
        compare(icon.visible, !data.tinted)
        if (data.tinted)
            verify(Qt.colorEqual(tint.color, uiStyle.connectionPageSettingsButtonTextColor))

        mousePress(button)
        compare(icon.source.toString(), "qrc:/resources/icons/" + data.pressed + ".png")
        if (data.tinted)
            verify(Qt.colorEqual(tint.color, uiStyle.connectionPageSettingsButtonTextColorPressed))
        // Let go outside: no click.
        mouseMove(button, -10, -10, -1, Qt.LeftButton)
        mouseRelease(button, -10, -10)
        compare(item("settingsWindow").visible, false)
    }

    function test_colours() {
        var button = item("settingsButton")
        verify(Qt.colorEqual(button.background.color, uiStyle.connectionPageSettingsButtonBackgroundColor))
        mousePress(button)
        verify(Qt.colorEqual(button.background.color, uiStyle.connectionPageSettingsButtonBackgroundColorPressed))
        mouseMove(button, -10, -10, -1, Qt.LeftButton)
        mouseRelease(button, -10, -10)
        compare(button.text, "Settings")
    }
}
