import QtQuick

// The outline a control shows while it holds the keyboard focus.
Rectangle {
    anchors.fill: parent
    color: "transparent"
    border.color: "#2A96FF"
    border.width: 2
    radius: 3
    z: 10
}
