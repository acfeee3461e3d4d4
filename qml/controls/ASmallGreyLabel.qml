import QtQuick 2.15
import QtQuick.Controls 2.15

Label {
    color: uiStyle.settingsPageDefaultLabelColor2
    opacity: uiStyle.generalSmallGreyLabelOpacity
    font.family: FontFactory.family
    font.pixelSize: 11
    wrapMode: Text.WordWrap
}
