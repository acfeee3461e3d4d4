import QtQuick 2.15
import QtQuick.Controls 2.15

Label {
    color: uiStyle.generalDefaultLabelColor
    font.family: FontFactory.family
    font.bold: true
    font.pixelSize: 16
    elide: Text.ElideRight
}
