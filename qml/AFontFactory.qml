pragma Singleton
import QtQuick 2.15

// The product's two fonts, loaded once from the resources.
QtObject {
    readonly property FontLoader regular: FontLoader {
        source: "qrc:/resources/fonts/Poppins-Regular.ttf"
    }
    readonly property FontLoader bold: FontLoader {
        source: "qrc:/resources/fonts/Poppins-Bold.ttf"
    }
    // The family of both files, or the default font until they are loaded.
    readonly property string family: regular.status === FontLoader.Ready ? regular.name
                                                                        : Qt.application.font.family
}
