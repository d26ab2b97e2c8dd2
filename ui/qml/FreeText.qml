import QtQuick
import Zelvorna

// A free text: its own font only, centred both ways, word-wrapped.
Text {
    font.pixelSize: 12
    color: "#000000"
    horizontalAlignment: Text.AlignHCenter
    verticalAlignment: Text.AlignVCenter
    wrapMode: Text.WordWrap
    // Texts come from feeds and the settings file: never markup, so never a fetch of anything.
    textFormat: Text.PlainText
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
