import QtQuick
import QtQuick.Controls
import Zelvorna

// Player panel: play and stop at fixed offsets, progress bar, and the volume line.
Item {
    objectName: "Layout_Player"

    required property QtObject imageList

    Rectangle {
        objectName: "Rectangle_Fundo_Player"
        Dock.align: Dock.Bottom
        height: 25
        color: "#8D0FEF"
        border.width: 0

        FreeText {
            objectName: "Text_Player"
            Dock.align: Dock.Client
            font.bold: true
            color: "#FFFFFF"
            text: "Player Rádio Zelvorna"
        }
    }

    Rectangle {
        objectName: "Rectangle_Player"
        Dock.align: Dock.Client
        border.width: 0
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0.0; color: "#000000" }
            GradientStop { position: 0.9938; color: "#CB2FFF" }
        }

        Button {
            id: play
            objectName: "Botao_Play"
            x: 20
            y: 15
            width: 40
            height: 48
            flat: true
            padding: 0
            property int tag: F_Principal.player.playTag
            // Named after what a press does.
            Accessible.name: F_Principal.player.isPlaying ? "Pausar" : "Tocar"
            Accessible.onPressAction: play.clicked()
            Keys.onReturnPressed: play.clicked()
            Keys.onEnterPressed: play.clicked()
            onClicked: F_Principal.Botao_PlayClick(play)

            HoverHandler { cursorShape: Qt.PointingHandCursor }

            Picture {
                objectName: "Image_Botao_Play"
                anchors.fill: parent
                z: 1
                source: imageList.source(F_Principal.player.playIconIndex, "qrc:/assets/btn_play.svg")
            }
        }

        Button {
            id: stop
            objectName: "Botao_Stop"
            x: 71
            y: 20
            width: 30
            height: 48
            flat: true
            padding: 0
            text: "Botao_Stop"
            // The caption lies under the picture and is never shortened.
            contentItem: Text {
                text: stop.text
                font: stop.font
                color: stop.palette.buttonText
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideNone
                clip: true
            }
            property int tag: F_Principal.player.stopTag
            Accessible.name: "Parar"
            Accessible.onPressAction: stop.clicked()
            Keys.onReturnPressed: stop.clicked()
            Keys.onEnterPressed: stop.clicked()
            onClicked: F_Principal.Botao_StopClick(stop)

            HoverHandler { cursorShape: Qt.PointingHandCursor }

            Picture {
                objectName: "Image_Botao_Stop"
                anchors.fill: parent
                z: 1
                source: imageList.source(F_Principal.player.stopIconIndex, "qrc:/assets/btn_stop.svg")
            }
        }

        // Declared after the buttons: where it overlaps their lowest pixels it lies on top.
        Item {
            objectName: "Layout_Bottom_Player"
            Dock.align: Dock.Bottom
            Dock.bottomMargin: 4
            height: 20

            ClickImage {
                objectName: "Image_Volume_Minimo"
                Dock.align: Dock.Left
                width: 35
                source: "qrc:/assets/speaker_min.svg"
                accessibleName: "Volume mínimo"
                onClicked: F_Principal.Image_Volume_MinimoClick(this)
            }

            // Between the two speakers in the Tab order too: quieter, the slider, louder.
            Slider {
                id: volume
                objectName: "TrackBar_Volume"
                Dock.align: Dock.Client
                padding: 0
                // Arrows move it by 1, Page Up and Page Down by 10, and the wheel by 1.
                stepSize: 1
                wheelEnabled: true
                Keys.onPressed: event => {
                    const jump = event.key === Qt.Key_PageUp ? 10
                               : event.key === Qt.Key_PageDown ? -10 : 0
                    if (jump === 0)
                        return
                    volume.value = Math.max(volume.from, Math.min(volume.to, volume.value + jump))
                    event.accepted = true
                }
                from: F_Principal.player.volumeMinimum
                to: F_Principal.player.volumeMaximum
                // Screen readers read the maximum from this property.
                property real maximumValue: to
                Accessible.name: "Volume"
                // Every change, not only a drag: a screen reader sets the value directly.
                onValueChanged: F_Principal.player.volumeValue = value

                HoverHandler { cursorShape: Qt.PointingHandCursor }

                // Kept as a Binding: the slider's own moves must not cut it off.
                Binding {
                    target: volume
                    property: "value"
                    value: F_Principal.player.volumeValue
                }
            }

            ClickImage {
                objectName: "Image_Volume_Maximo"
                Dock.align: Dock.Right
                width: 35
                source: "qrc:/assets/speaker_max.svg"
                accessibleName: "Volume máximo"
                onClicked: F_Principal.Image_Volume_MaximoClick(this)
            }
        }

        ProgressBar {
            objectName: "ProgressBar"
            x: 113
            y: 40
            width: 220
            height: 10
            from: 0
            to: 100
            value: F_Principal.player.progressValue
            Accessible.name: "Carregamento"
            Accessible.description: Math.round(value) + " %"
        }
    }
}
