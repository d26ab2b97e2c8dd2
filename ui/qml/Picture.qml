import QtQuick
import QtQuick.Window
import Zelvorna

// A picture scaled by fit (default) or stretched to its box; rendered at the screen's pixel
// density so the vector pictures stay crisp.
Image {
    property bool stretch: false

    fillMode: stretch ? Image.Stretch : Image.PreserveAspectFit
    sourceSize: Qt.size(Math.max(1, Math.ceil(width * Screen.devicePixelRatio)),
                        Math.max(1, Math.ceil(height * Screen.devicePixelRatio)))
    smooth: true
    asynchronous: false
}
