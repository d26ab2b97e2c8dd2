import QtQuick
import QtQuick.Controls
import QtQuick.Window
import Zelvorna

// The main window's declared tree. Every decision lives in F_Principal; this file only places,
// binds and forwards clicks. Siblings are listed in drawing order (later covers earlier).
Window {
    id: window
    objectName: "F_Principal"
    width: 424
    height: 989
    title: "Rádio Zelvorna - A Melhor"
    color: "#FFFFFF"

    // Loading overlay: first child, so it lies under the white area until the controller brings
    // it to the front. Never hidden through visibility, only through its z-order.
    Rectangle {
        id: overlay
        objectName: "Retangulo_Fundo"
        Dock.align: Dock.Contents
        z: F_Principal.player.overlayInFront ? 1 : -1
        color: "#000000"
        border.color: "#000000"
        border.width: 1
        opacity: 0.8

        // In front it swallows every press, wheel and hover, so nothing under it reacts.
        MouseArea {
            anchors.fill: parent
            enabled: F_Principal.player.overlayInFront
            hoverEnabled: true
            acceptedButtons: Qt.AllButtons
            onWheel: wheel => wheel.accepted = true
        }

        Item {
            objectName: "Layout_Loading"
            Dock.align: Dock.VertCenter
            height: 494

            FreeText {
                objectName: "Text_Loading"
                Dock.align: Dock.Top
                height: 113
                font.pixelSize: 24
                font.bold: true
                color: "#FFFFFF"
                // The controller's text breaks its line with U+000D, which Text does not.
                text: F_Principal.player.loadingText.replace(/\r\n?/g, "\n")
                // Behind the layout it is out of sight: a screen reader must not read it then.
                Accessible.ignored: !F_Principal.player.overlayInFront
            }

            Picture {
                id: ring
                objectName: "Image_Circulo"
                Dock.align: Dock.Client
                source: "qrc:/assets/ring_arrows.svg"
                transformOrigin: Item.Center

                NumberAnimation on rotation {
                    objectName: "FloatAnimation_Loading"
                    from: 0
                    to: 360
                    duration: 1500
                    loops: Animation.Infinite
                    // Stopped whenever the overlay is behind: a hidden loop would burn a core.
                    running: F_Principal.player.spinnerRunning && F_Principal.player.overlayInFront
                }
            }

            Picture {
                objectName: "Image_Radio_Zelvorna"
                Dock.align: Dock.Center
                width: 260
                height: 263
                source: "qrc:/assets/logo_radio.svg"
            }
        }
    }

    SizeGripBar {
        objectName: "StatusBar"
        Dock.align: Dock.Bottom
        height: 22
    }

    // A closing dialog hands the keyboard back to the window, not to an edit no one sees.
    Connections {
        target: F_Principal.profile
        function onNameDialogVisibleChanged() {
            if (!F_Principal.profile.nameDialogVisible)
                mainArea.forceActiveFocus()
        }
    }

    // The media keys, where the desktop hands them to the window.
    Shortcut {
        sequences: ["Toggle Media Play/Pause"]
        onActivated: F_Principal.Botao_PlayClick(null)
    }
    Shortcut {
        sequences: ["Media Play"]
        onActivated: if (!F_Principal.player.isPlaying) F_Principal.Botao_PlayClick(null)
    }
    Shortcut {
        sequences: ["Media Pause"]
        onActivated: if (F_Principal.player.isPlaying) F_Principal.Botao_PlayClick(null)
    }
    Shortcut {
        sequences: ["Media Stop"]
        onActivated: F_Principal.Botao_StopClick(null)
    }

    QtObject {
        id: styleBook
        objectName: "StyleBook"
        // Edits draw no box of their own; the dialog's rounded outlines frame them.
        readonly property color editText: "#000000"
        readonly property color editSelection: "#7F2A96FF"
        readonly property int editInset: 3
    }

    Item {
        id: mainArea
        objectName: "Layout_Principal"
        Dock.align: Dock.Client
        // Holds the keyboard focus when no control does: Space then plays or pauses, as the
        // play button would. A focused control or edit takes its own Space first.
        focus: true
        Keys.onSpacePressed: F_Principal.Botao_PlayClick(null)

        Item {
            objectName: "WebBrowser"
            x: 184
            y: 456
            width: 100
            height: 100
            visible: false
            property string url: F_Principal.content.webBrowserUrl
        }

        Rectangle {
            objectName: "Retangulo_Branco"
            Dock.align: Dock.Client
            color: "#FFFFFF"
            border.color: "#000000"
            border.width: 1

            ListenerBar {
                Dock.align: Dock.Top
                Dock.order: 0
                height: 50
            }

            PlayerPanel {
                imageList: imageList
                Dock.align: Dock.Top
                Dock.order: 2
                Dock.topMargin: 10
                height: 110
            }

            Header {
                Dock.align: Dock.Top
                Dock.order: 1
                Dock.topMargin: 2
                height: 69
            }

            TabPages {
                Dock.align: Dock.Client
                Dock.bottomMargin: 3
            }

            // After the pages in the Tab order, as on screen; the bottom pass docks it first.
            BottomMenu {
                Dock.align: Dock.Bottom
                height: 61
            }

            NameDialog {
                Dock.align: Dock.Center
                width: 340
                height: 328
                styleBook: styleBook
            }
        }
    }

    QtObject {
        id: imageList
        objectName: "ImageList"
        // Entries by index: play, play blue, pause, pause blue, stop, stop blue (41 x 41).
        readonly property var sources: ["qrc:/assets/icon_0_play.svg",
            "qrc:/assets/icon_1_play_blue.svg", "qrc:/assets/icon_2_pause.svg",
            "qrc:/assets/icon_3_pause_blue.svg", "qrc:/assets/icon_4_stop.svg",
            "qrc:/assets/icon_5_stop_blue.svg"]
        function source(index, stored) {
            return index >= 0 && index < sources.length ? sources[index] : stored
        }
    }
}
