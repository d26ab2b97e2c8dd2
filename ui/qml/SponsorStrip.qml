import QtQuick
import Zelvorna

// The sponsor strip: cards side by side, scrolling horizontally. Cards are not selectable; a
// click anywhere on one opens that sponsor's site.
ListView {
    id: strip
    objectName: "ListBox_Patrocinadores"

    orientation: ListView.Horizontal
    model: F_Principal.content.sponsorModel
    visible: F_Principal.content.sponsorStripVisible
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    // The list box's frame takes two pixels on each side.
    leftMargin: 2
    rightMargin: 2
    topMargin: 2
    bottomMargin: 2
    Accessible.role: Accessible.List
    Accessible.name: "Patrocinadores"

    delegate: Item {
        id: listItem
        required property int index
        required property string name
        required property string description
        required property string site
        required property string logo
        required property int itemWidth
        required property int itemHeight

        width: itemWidth
        height: itemHeight
        Accessible.role: Accessible.ListItem
        Accessible.name: name
        Accessible.description: description
        Accessible.onPressAction: F_Principal.ListBox_PatrocinadoresItemClick(strip, index)

        FramePatrocinador {
            anchors.fill: parent
            name: listItem.name
            description: listItem.description
            site: listItem.site
            logo: listItem.logo
        }

        MouseArea {
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
            onClicked: F_Principal.ListBox_PatrocinadoresItemClick(strip, listItem.index)
        }
    }

    Rectangle {
        parent: strip
        anchors.fill: parent
        z: 10
        color: "transparent"
        border.color: "#ABADB3"
        border.width: 1
    }
}
