import QtQuick
import Zelvorna

// Home page: the rounded banner at the top, the sponsor strip below it.
Item {
    objectName: "Layout_Tab_Principal"

    Item {
        objectName: "Layout_Patrocinadores"
        Dock.align: Dock.Client
        Dock.topMargin: 10

        LabelText {
            objectName: "Lbl_Patrocinadores"
            Dock.align: Dock.Top
            Dock.leftMargin: 5
            Dock.rightMargin: 5
            Dock.bottomMargin: 5
            height: 26
            horizontalAlignment: Text.AlignHCenter
            font.bold: true
            text: "Conheça Nossos Patrocinadores"
            Accessible.role: Accessible.Heading
        }

        SponsorStrip {
            Dock.align: Dock.Client
        }
    }

    Item {
        objectName: "Layout_Propaganda"
        Dock.align: Dock.Top
        height: 425

        RoundedPicture {
            objectName: "Figura_Propaganda"
            Dock.align: Dock.Client
            Dock.leftMargin: 10
            Dock.topMargin: 5
            Dock.rightMargin: 10
            radius: 25
            source: "qrc:/assets/banner.svg"
            Accessible.role: Accessible.Graphic
            Accessible.name: "Promoção da Rádio Zelvorna"
        }
    }
}
