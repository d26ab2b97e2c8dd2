import QtQuick
import Zelvorna

// A picture that takes its own clicks, with the hand cursor and a screen-reader button; Tab
// reaches it and Space or Enter presses it.
Picture {
    id: picture

    property string accessibleName
    signal clicked

    activeFocusOnTab: true
    Keys.onSpacePressed: picture.clicked()
    Keys.onReturnPressed: picture.clicked()
    Keys.onEnterPressed: picture.clicked()
    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.focusable: true
    Accessible.onPressAction: picture.clicked()

    FocusRing {
        visible: picture.activeFocus
    }

    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: picture.clicked()
    }
}
