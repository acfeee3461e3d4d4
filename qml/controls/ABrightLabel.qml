import QtQuick 2.15
import QtQuick.Controls 2.15

Label {
    color: uiStyle.generalBrightLabelColor
    font.family: FontFactory.family
    font.pixelSize: 13
    elide: Text.ElideRight
}
