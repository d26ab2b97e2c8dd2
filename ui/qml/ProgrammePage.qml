import QtQuick
import Zelvorna

// Programme page: title and the list of programmes (picture left, name and description right).
Item {
    Text {
        objectName: "Text2"
        Dock.align: Dock.Top
        height: 50
        font.pixelSize: 24
        font.bold: true
        color: "#000000"
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        wrapMode: Text.WordWrap
        text: "Nossos Programas"
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }

    ListView {
        id: list
        objectName: "ListView_Programacao"
        Dock.align: Dock.Client
        model: F_Principal.content.programmeModel
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        Accessible.role: Accessible.List
        Accessible.name: "Programas"

        delegate: Item {
            id: row
            required property string name
            required property string description
            required property string picture
            required property int rowHeight

            width: list.width
            height: rowHeight
            Accessible.role: Accessible.ListItem
            Accessible.name: name
            Accessible.description: description

            Picture {
                objectName: "Img_Logo_do_Programa"
                x: 5
                y: 0
                width: 135
                height: 135
                source: row.picture
            }

            Text {
                objectName: "Text_Nome_do_Programa"
                x: 145
                y: 8
                width: 254
                height: 25
                font.pixelSize: 12
                font.bold: true
                color: "#000000"
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                maximumLineCount: 1
                elide: Text.ElideRight
                textFormat: Text.PlainText // from the feed: never markup
                text: row.name
            }

            Text {
                objectName: "Text_Descricao_do_Programa"
                x: 145
                y: 40
                width: 235
                height: 89
                font.pixelSize: 12
                color: "#000000"
                horizontalAlignment: Text.AlignLeft
                verticalAlignment: Text.AlignTop
                wrapMode: Text.WordWrap
                clip: true
                textFormat: Text.PlainText
                text: row.description
            }

            Rectangle {
                // Separator between rows, as in the platform list look.
                anchors.bottom: parent.bottom
                width: parent.width
                height: 1
                color: "#E0E0E0"
            }
        }
    }
}
