import QtQuick
import Zelvorna

// Header: the lettering centred on the whole bar, the round logo drawn over it at the left.
Rectangle {
    objectName: "Retangulo_Cabecalho"
    border.width: 0
    // Runs from the bottom edge (deep purple) up to the top edge (light purple).
    gradient: Gradient {
        GradientStop { position: 0.0; color: "#CB2FFF" }
        GradientStop { position: 0.0062; color: "#CB2FFF" }
        GradientStop { position: 1.0; color: "#8D0FEF" }
    }

    Picture {
        objectName: "Image_Texto_Cabecalho"
        Dock.align: Dock.Contents
        Dock.margins: 5
        source: "qrc:/assets/lettering.svg"
        Accessible.role: Accessible.Graphic
        Accessible.name: "Rádio Zelvorna"
    }

    Picture {
        objectName: "Image_Logotipo"
        Dock.align: Dock.Left
        Dock.leftMargin: 8
        Dock.topMargin: 2
        Dock.bottomMargin: 2
        width: 50
        source: "qrc:/assets/logo_radio.svg"
    }
}
