import QtQuick
import Zelvorna

// Listener bar: greeting line with the pencil above, the star line below.
Item {
    objectName: "Layout_Ouvinte"

    Item {
        objectName: "Layout_6Estrelas"
        Dock.align: Dock.Bottom
        height: 25

        Picture {
            objectName: "Image_5Estrelas"
            Dock.align: Dock.Left
            Dock.leftMargin: 5
            width: 50
            source: "qrc:/assets/stars5.svg"
        }

        LabelText {
            objectName: "Lbl_5Estrelas"
            Dock.align: Dock.Client
            Dock.leftMargin: 5
            font.bold: true
            text: "Ouvinte 5 Estrelas"
        }
    }

    Item {
        objectName: "Layout_Nome_Ouvinte"
        Dock.align: Dock.Client

        ClickImage {
            objectName: "Image_Edita_Nome_Ouvinte"
            Dock.align: Dock.Right
            width: 30
            source: "qrc:/assets/pencil.svg"
            accessibleName: "Editar nome do ouvinte"
            onClicked: F_Principal.Image_Edita_Nome_OuvinteClick(this)
        }

        LabelText {
            objectName: "Lbl_Nome_Ouvinte"
            Dock.align: Dock.Client
            Dock.leftMargin: 5
            font.bold: true
            text: F_Principal.profile.greetingText
        }
    }
}
