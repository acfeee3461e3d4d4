import QtQuick 2.15
import QtQuick.Controls 2.15

Label {
    color: uiStyle.generalGreyLabelColor
    opacity: uiStyle.generalGreyLabelOpacity
    font.family: FontFactory.family
    font.pixelSize: 12
    elide: Text.ElideRight
}
