import QtQuick
import Zelvorna

// The tab control: two pages and no tab strip. The controller chooses the page and drives the
// slide; here each page only sits where the controller says, clipped to the control.
Item {
    id: tabs
    objectName: "TabControl"
    clip: true

    function pageX(page) {
        if (F_Principal.sliding) {
            if (page === F_Principal.activePage)
                return F_Principal.slideNewX
            if (page === F_Principal.slideFromPage)
                return F_Principal.slideOldX
        }
        return 0
    }
    function pageShown(page) {
        return page === F_Principal.activePage
                || (F_Principal.sliding && page === F_Principal.slideFromPage)
    }

    // The slide moves pages by one page width.
    Binding {
        target: F_Principal
        property: "tabWidth"
        value: tabs.width
    }

    Item {
        objectName: "TabItem_Principal"
        width: tabs.width
        height: tabs.height
        x: tabs.pageX(0)
        visible: tabs.pageShown(0)

        HomePage {
            Dock.align: Dock.Client
        }
    }

    Item {
        objectName: "TabItem_Programacao"
        width: tabs.width
        height: tabs.height
        x: tabs.pageX(1)
        visible: tabs.pageShown(1)

        ProgrammePage {
            Dock.align: Dock.Client
        }
    }
}
