import QtQuick
import Zelvorna

// One sponsor card: logo band, name line, description. None of its parts takes the mouse, so
// a click anywhere reaches the list item that holds it.
Item {
    id: card
    objectName: "FramePatrocinador"

    property string name
    property string description
    property string site
    property string logo

    width: 240
    height: 175

    Item {
        objectName: "Layout"
        Dock.align: Dock.Top
        height: 105

        Picture {
            objectName: "Img_Logotipo"
            Dock.align: Dock.HorzCenter
            Dock.leftMargin: 15
            Dock.rightMargin: 15
            width: 210
            source: card.logo
        }
    }

    LabelText {
        objectName: "Lbl_Razao_Social"
        Dock.align: Dock.Top
        Dock.leftMargin: 15
        Dock.rightMargin: 15
        height: 17
        font.pixelSize: 14
        font.weight: Font.DemiBold
        text: card.name
    }

    LabelText {
        objectName: "Lbl_Descricao"
        Dock.align: Dock.Client
        Dock.leftMargin: 15
        Dock.rightMargin: 15
        color: "#686868"
        verticalAlignment: Text.AlignTop
        elide: Text.ElideNone
        clip: true
        text: card.description
    }

    LabelText {
        objectName: "Lbl_Site"
        x: 15
        y: 112
        visible: false
        text: card.site
    }
}
