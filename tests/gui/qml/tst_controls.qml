import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import "qrc:/qml/controls"

TestCase {
    id: testCase
    name: "Controls"
    when: windowShown
    // The controls are made inside the test case, so it must be shown to take input.
    visible: true
    width: 400
    height: 400

    Component { id: closeButton; ACloseButton {} }
    Component { id: inputField; AInputField { width: 200 } }
    Component { id: textField; ATextField { width: 200 } }
    Component { id: searchField; ASearchField {} }
    Component { id: comboBox; AComboBox {} }
    Component { id: flagItem; AFlagItem {} }
    Component { id: tabButton; ATabButton {} }
    Component { id: switchControl; ASwitch { text: "Show notifications"; width: 300 } }
    Component { id: errorArea; ACriticalErrorArea { width: 400; height: 50 } }
    Component { id: signalSpy; SignalSpy {} }

    function make(component, properties) {
        var object = createTemporaryObject(component, testCase, properties || {})
        verify(object)
        return object
    }

    function test_closeButton() {
        var button = make(closeButton)
        var spy = make(signalSpy, { target: button, signalName: "closed" })
        var icon = button.children[0]
        mousePress(button)
        compare(icon.opacity, 0.5)
        mouseRelease(button)
        compare(icon.opacity, 1.0)
        compare(spy.count, 1)
        compare(icon.status, Image.Ready)
    }

    function test_inputFieldTakes32Characters() {
        var field = make(inputField, { label: "Username" })
        mouseClick(field.field)
        for (var i = 0; i < 40; ++i)
            keyClick(Qt.Key_A)
        compare(field.text.length, 32)
    }

    function test_disabledTextField() {
        var field = make(textField)
        compare(field.background.border.width, 1)
        field.enabled = false
        compare(field.background.border.width, 0)
        verify(Qt.colorEqual(field.background.color, "#353637"))
    }

    function test_searchField() {
        var field = make(searchField)
        compare(field.width, 180)
        compare(field.placeholderText, "Search")
        mouseClick(field)
        keyClick(Qt.Key_P)
        keyClick(Qt.Key_A)
        compare(field.searchPhrase, "pa")
    }

    function menuItem(field, name) {
        return findChild(field, name)
    }

    // The context menu offers what can be done at the moment it opens.
    function test_contextMenu_data() {
        return [
            { tag: "nothing selected", text: "secret", select: false, echo: TextInput.Normal, cut: false },
            { tag: "selected", text: "secret", select: true, echo: TextInput.Normal, cut: true },
            { tag: "selected in a password field", text: "secret", select: true, echo: TextInput.Password, cut: false }
        ]
    }

    function test_contextMenu(data) {
        var field = make(textField, { text: data.text, echoMode: data.echo })
        if (data.select)
            field.selectAll()
        mouseClick(field, 10, 10, Qt.RightButton)
        var menu = findChild(field, "cutMenuItem").menu
        tryCompare(menu, "opened", true)
        compare(findChild(field, "cutMenuItem").enabled, data.cut)
        compare(findChild(field, "copyMenuItem").enabled, data.cut)
        compare(findChild(field, "pasteMenuItem").enabled, field.canPaste)
        menu.close()
    }

    function test_comboBox_data() {
        var many = []
        for (var i = 0; i < 12; ++i)
            many.push({ text: "Port " + i })
        return [
            { tag: "few texts", model: ["Disabled", "To systray", "To taskbar"], custom: false, shown: "Disabled", tall: false },
            { tag: "a list model", model: [{ text: "Auto" }, { text: "443" }], custom: true, shown: "Auto", tall: false },
            { tag: "more than ten", model: many, custom: true, shown: "Port 0", tall: true }
        ]
    }

    function test_comboBox(data) {
        var model = listModel.createObject(testCase)
        for (var i = 0; i < data.model.length; ++i)
            model.append(typeof data.model[i] === "string" ? { text: data.model[i] } : data.model[i])
        var box = make(comboBox, { useCustomModel: data.custom, model: data.custom ? model : data.model })
        compare(box.displayText, data.shown)
        mouseClick(box)
        tryCompare(box.popup, "opened", true)
        if (data.tall)
            compare(box.popup.height, 400)
        else
            verify(box.popup.height < 400)
        box.popup.close()
        model.destroy()
    }

    Component { id: listModel; ListModel {} }

    function test_flagItem() {
        var plain = make(flagItem, { width: 20, height: 14 })
        var image = findChild(plain, "flagImage")
        compare(image.width, 20)
        compare(image.height, 14)
        compare(image.source.toString(), "qrc:/resources/icons/flags/th.png")

        var withText = make(flagItem, { text: "203.0.113.77", source: "qrc:/resources/icons/flags/us.png" })
        image = findChild(withText, "flagImage")
        var label = findChild(withText, "flagText")
        compare(image.height, Math.round(label.height / 2))
        compare(label.x, image.width + 5)

        // A picture that does not exist keeps its place; no picture takes none.
        var missing = make(flagItem, { text: "Nowhere", source: "qrc:/resources/icons/flags/xq.png" })
        compare(findChild(missing, "flagImage").status, Image.Error)
        compare(findChild(missing, "flagText").x, findChild(missing, "flagImage").width + 5)
        verify(findChild(missing, "flagImage").width > 0)
        var none = make(flagItem, { text: "Not selected", source: "" })
        compare(findChild(none, "flagText").x, 0)
    }

    function test_tabButtonUnderline() {
        var tab = make(tabButton, { text: "General", checkable: true })
        compare(tab.width, 160)
        compare(tab.height, 52)
        var line = findChild(tab, "tabUnderline")
        compare(line.height, 3)
        verify(Qt.colorEqual(line.color, uiStyle.generalTabNonSelectedColor))
        tab.checked = true
        verify(Qt.colorEqual(line.color, uiStyle.generalTabSelectedColor))
    }

    function test_switch() {
        var control = make(switchControl)
        compare(control.indicator.width, 41)
        compare(control.indicator.height, 16)
        compare(control.indicator.children[0].width, 23)
        verify(control.indicator.x > control.width / 2, "the switch sits on the right")
        verify(Qt.colorEqual(control.indicator.color, uiStyle.generalSwitchBackgroundColor))
        mouseClick(control.indicator)
        compare(control.checked, true)
        verify(Qt.colorEqual(control.indicator.color, uiStyle.generalSwitchBackgroundColorChecked))
    }

    function test_criticalErrorArea() {
        var area = make(errorArea)
        compare(area.visible, false)
        compare(area.opacity, 0.95)
        verify(Qt.colorEqual(area.color, "red"))
    }
}
