import QtQuick
import Zelvorna

// A picture stretched to its box with rounded corners. The software renderer has no masks,
// so the corners are covered by a ring in the page colour whose inner edge is the rounded box.
Item {
    id: box

    property alias source: picture.source
    property real radius: 0
    property color backdrop: "#FFFFFF"

    clip: true

    Picture {
        id: picture
        anchors.fill: parent
        stretch: true
    }

    Rectangle {
        // The ring's inner radius is its outer radius less its width.
        readonly property real ring: box.radius
        x: -ring
        y: -ring
        width: box.width + 2 * ring
        height: box.height + 2 * ring
        radius: box.radius + ring
        color: "transparent"
        border.color: box.backdrop
        border.width: ring
        antialiasing: true
        visible: box.radius > 0
    }
}
