import QtQuick
import Zelvorna

// One cell of the bottom menu: a picture over a centred label; a click anywhere in the cell
// is the cell's click. Tab reaches it and Space or Enter presses it.
Item {
    id: cell

    activeFocusOnTab: true
    Keys.onSpacePressed: cell.clicked()
    Keys.onReturnPressed: cell.clicked()
    Keys.onEnterPressed: cell.clicked()
    Accessible.focusable: true

    FocusRing {
        visible: cell.activeFocus
    }

    property alias label: text.text
    property alias labelSize: text.font.pixelSize
    property alias picture: image.source
    property alias labelName: text.objectName
    property alias imageName: image.objectName
    signal clicked

    Accessible.role: Accessible.Button
    Accessible.name: label
    Accessible.onPressAction: cell.clicked()

    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: cell.clicked()
    }

    LabelText {
        id: text
        Dock.align: Dock.Bottom
        height: 17
        horizontalAlignment: Text.AlignHCenter
        Accessible.ignored: true
    }

    Picture {
        id: image
        Dock.align: Dock.Client
    }
}
