import QtQuick
import Zelvorna

// A label: leading alignment, word-wrapped, the platform label look (size 12, black).
Text {
    font.pixelSize: 12
    color: "#000000"
    horizontalAlignment: Text.AlignLeft
    verticalAlignment: Text.AlignVCenter
    wrapMode: Text.WordWrap
    // Texts come from feeds and the settings file: never markup, so never a fetch of anything.
    textFormat: Text.PlainText
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
