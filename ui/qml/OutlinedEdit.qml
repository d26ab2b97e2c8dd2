import QtQuick
import Zelvorna

// The white pill outline that frames one dialog edit.
Rectangle {
    color: "transparent"
    border.color: "#FFFFFF"
    border.width: 2
    radius: height / 2
}
