import QtQuick
import Zelvorna

// Bottom menu: a light-grey bar with four cells of fixed percentages of its width. The 2-pixel
// strip under the cells belongs to the bar and starts nothing.
Picture {
    objectName: "Image_Fundo_Menu"
    stretch: true
    source: "qrc:/assets/menu_bar.svg"

    Item {
        id: grid
        objectName: "Menu_Inferior"
        Dock.align: Dock.Client
        Dock.bottomMargin: 2

        // Column edges as fractions of the width, left to right.
        readonly property var edges: [0, 0.25039, 0.25039 + 0.25067, 0.25039 + 0.25067 + 0.25088, 1]
        function cellX(column) { return width * edges[column] }
        function cellWidth(column) { return width * (edges[column + 1] - edges[column]) }

        MenuCell {
            objectName: "Layout_Home"
            x: grid.cellX(0)
            width: grid.cellWidth(0)
            height: grid.height
            labelName: "Lbl_Home"
            imageName: "Image_Home"
            label: "Início"
            picture: "qrc:/assets/house.svg"
            onClicked: F_Principal.Layout_HomeClick(this)
        }

        MenuCell {
            objectName: "Layout_Programacao"
            x: grid.cellX(1)
            width: grid.cellWidth(1)
            height: grid.height
            labelName: "Lbl_Programacao"
            imageName: "Image_Programacao"
            label: "Programas"
            picture: "qrc:/assets/logo_radio.svg"
            onClicked: F_Principal.Layout_ProgramacaoClick(this)
        }

        MenuCell {
            objectName: "Layout_Pedido"
            x: grid.cellX(2)
            width: grid.cellWidth(2)
            height: grid.height
            labelName: "Lbl_Pedido"
            imageName: "Image_Pedido"
            label: "Pedido Musical"
            labelSize: 11
            picture: "qrc:/assets/clef.svg"
            onClicked: F_Principal.Layout_PedidoClick(this)
        }

        ClickImage {
            objectName: "Image_Promocao"
            x: grid.cellX(3)
            width: grid.cellWidth(3)
            height: grid.height
            source: "qrc:/assets/promo_badge.svg"
            accessibleName: "Promoções"
            onClicked: F_Principal.Image_PromocaoClick(this)
        }
    }
}
