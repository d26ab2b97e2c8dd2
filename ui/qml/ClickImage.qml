import QtQuick
import Zelvorna

// A picture that takes its own clicks, with the hand cursor and a screen-reader button.
Picture {
    id: picture

    property string accessibleName
    signal clicked

    Accessible.role: Accessible.Button
    Accessible.name: accessibleName
    Accessible.onPressAction: picture.clicked()

    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: picture.clicked()
    }
}
