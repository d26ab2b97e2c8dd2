import QtQuick
import Zelvorna

// The status bar: a plain bar with a size grip in its right corner, and one short line when the
// connection needs saying (reconnecting, or why playing could not start).
Rectangle {
    color: "#F0F0F0"

    Text {
        objectName: "Text_Status"
        anchors.fill: parent
        anchors.leftMargin: 6
        anchors.rightMargin: 20
        verticalAlignment: Text.AlignVCenter
        font.pixelSize: 11
        color: "#303030"
        elide: Text.ElideRight
        textFormat: Text.PlainText
        text: F_Principal.player.statusText
        Accessible.role: Accessible.StatusBar
        Accessible.name: text
        Accessible.ignored: text.length === 0
    }

    Rectangle {
        width: parent.width
        height: 1
        color: "#D7D7D7"
    }

    // Size grip: the usual triangle of dots.
    Repeater {
        model: [[1, 0], [2, 0], [3, 0], [2, 1], [3, 1], [3, 2]]
        Rectangle {
            required property var modelData
            width: 2
            height: 2
            color: "#A0A0A0"
            x: parent.width - 4 - (3 - modelData[0]) * 4 - 1
            y: parent.height - 4 - modelData[1] * 4 - 1
        }
    }
}
