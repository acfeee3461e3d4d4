import QtQuick 2.15
import QtQuick.Controls 2.15

Label {
    color: uiStyle.settingsPageDefaultLabelColor1
    opacity: uiStyle.generalLabelOpacity
    font.family: FontFactory.family
    font.pixelSize: 13
    elide: Text.ElideRight
}
