import QtQuick 2.15
import QtQuick.Controls 2.15

SpinBox {
    from: 10
    to: 100
    stepSize: 10
    editable: true
    font.family: FontFactory.family
    font.pixelSize: 13
}
