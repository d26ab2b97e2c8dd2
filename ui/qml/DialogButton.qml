import QtQuick
import QtQuick.Controls
import Zelvorna

// A flat dialog button with a white caption and a white picture at its left.
Button {
    id: button

    property alias picture: image.source
    property alias pictureName: image.objectName
    property alias pictureWidth: image.width

    width: 133
    height: 34
    flat: true
    palette.buttonText: "#FFFFFF"
    Accessible.name: text
    Accessible.onPressAction: button.clicked()
    Keys.onReturnPressed: button.clicked()
    Keys.onEnterPressed: button.clicked()

    HoverHandler { cursorShape: Qt.PointingHandCursor }

    Picture {
        id: image
        x: 0
        y: 0
        height: 33
        z: 1
    }
}
