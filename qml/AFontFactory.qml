pragma Singleton
import QtQuick 2.15

QtObject {
    readonly property string family: Qt.application.font.family
}
