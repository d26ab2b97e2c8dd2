import QtQuick
import QtQuick.Controls
import Zelvorna

// Name dialog: a brick frame around a purple panel with the name and e-mail edits. Not modal:
// outside its box the window keeps taking clicks.
Item {
    id: dialog
    objectName: "Layout_Pega_Nome"
    visible: F_Principal.profile.nameDialogVisible

    required property QtObject styleBook

    // Escape anywhere in the dialog cancels it; Enter in an edit confirms it.
    Keys.onEscapePressed: F_Principal.Spb_CancelarClick(null)

    Connections {
        target: F_Principal.profile
        function onNameEditFocusRequested() { nameEdit.forceActiveFocus() }
    }

    Picture {
        objectName: "Image_Fundo_Pega_Nome"
        Dock.align: Dock.Contents
        stretch: true
        source: "qrc:/assets/bricks_frame.svg"

        Rectangle {
            objectName: "Rectangle_Fundo_Pega_Nome"
            Dock.align: Dock.Client
            Dock.margins: 25
            border.width: 0
            // From the bottom edge (deep purple) up to the top edge (light purple).
            gradient: Gradient {
                GradientStop { position: 0.0; color: "#CB2FFF" }
                GradientStop { position: 0.0062; color: "#CB2FFF" }
                GradientStop { position: 1.0; color: "#8D0FEF" }
            }

            Item {
                objectName: "Layout_ToolBar"
                Dock.align: Dock.Top
                height: 33

                ClickImage {
                    objectName: "Image_Sair"
                    Dock.align: Dock.Right
                    width: 35
                    source: "qrc:/assets/close_button.svg"
                    accessibleName: "Fechar"
                    onClicked: F_Principal.Spb_CancelarClick(this)
                }
            }

            FreeText {
                objectName: "Text1"
                Dock.align: Dock.Top
                height: 24
                font.pixelSize: 14
                font.bold: true
                color: "#FFFFFF"
                text: "Deixe a Gente te Conhecer!!"
            }

            Item {
                objectName: "NameLayout"
                Dock.align: Dock.Top
                height: 40

                Picture {
                    objectName: "UserImage"
                    Dock.align: Dock.Left
                    Dock.leftMargin: 5
                    Dock.rightMargin: 5
                    width: 32
                    source: "qrc:/assets/person.svg"
                }

                OutlinedEdit {
                    objectName: "RoundRect_Nome_do_Ouvinte"
                    Dock.align: Dock.Client
                    Dock.margins: 5
                    Edit {
                        id: nameEdit
                        styleBook: dialog.styleBook
                        objectName: "Edt_Nome_do_Ouvinte"
                        Dock.align: Dock.Client
                        Dock.leftMargin: 12
                        Dock.rightMargin: 12
                        Accessible.name: "Nome"
                        text: F_Principal.profile.nameText
                        onTextChanged: F_Principal.profile.nameText = text
                        onAccepted: F_Principal.Spb_ConfirmaClick(null)
                        KeyNavigation.tab: mailEdit
                    }
                }
            }

            Item {
                objectName: "EmailLayout"
                Dock.align: Dock.Top
                height: 40

                Picture {
                    objectName: "MailImage"
                    Dock.align: Dock.Left
                    Dock.leftMargin: 5
                    Dock.rightMargin: 5
                    width: 32
                    source: "qrc:/assets/envelope.svg"
                }

                OutlinedEdit {
                    objectName: "RoundRect_Email_do_Ouvinte"
                    Dock.align: Dock.Client
                    Dock.margins: 5
                    Edit {
                        id: mailEdit
                        styleBook: dialog.styleBook
                        objectName: "Edt_Email_do_Ouvinte"
                        Dock.align: Dock.Client
                        Dock.leftMargin: 12
                        Dock.rightMargin: 12
                        inputMethodHints: Qt.ImhEmailCharactersOnly
                        Accessible.name: "E-mail"
                        onAccepted: F_Principal.Spb_ConfirmaClick(null)
                        text: F_Principal.profile.emailText
                        onTextChanged: F_Principal.profile.emailText = text
                    }
                }
            }

            Item {
                id: buttons
                objectName: "Gpl_Pop_Up"
                Dock.align: Dock.Top
                height: 34

                DialogButton {
                    objectName: "Spb_Confirma"
                    x: 0
                    text: "Confirma"
                    picture: "qrc:/assets/check.svg"
                    pictureName: "Image1"
                    pictureWidth: 40
                    onClicked: F_Principal.Spb_ConfirmaClick(this)
                }

                DialogButton {
                    objectName: "Spb_Cancelar"
                    x: buttons.width / 2
                    text: "Cancelar"
                    picture: "qrc:/assets/cross.svg"
                    pictureName: "Image2"
                    pictureWidth: 30
                    onClicked: F_Principal.Spb_CancelarClick(this)
                }
            }

            Item {
                objectName: "Layout_Notificacoes"
                Dock.align: Dock.Top
                Dock.topMargin: 5
                height: 38

                Switch {
                    id: notifications
                    objectName: "Switch_Notificacoes"
                    Dock.align: Dock.Left
                    width: 44
                    padding: 0
                    checked: F_Principal.profile.notificationsOn
                    // Every change, not only a click: a screen reader's toggle sets it directly.
                    onCheckedChanged: F_Principal.profile.notificationsOn = checked
                    Accessible.name: "Receber programação e promoções"
                    Accessible.onPressAction: notifications.toggle()
                }

                FreeText {
                    objectName: "Text3"
                    Dock.align: Dock.Client
                    font.bold: true
                    color: "#FFFFFF"
                    text: "Deseja Receber Nossa Programação e Promoções?"
                }
            }

            Item {
                objectName: "LayoutLLgpd"
                Dock.align: Dock.Top
                Dock.topMargin: 10
                height: 50

                FreeText {
                    objectName: "Text4"
                    Dock.align: Dock.Client
                    Dock.leftMargin: 5
                    Dock.rightMargin: 5
                    font.bold: true
                    color: "#FFFFFF"
                    text: "Nosso Aplicativo respeita a LGPD, não guardando nehuma informação pessoal de nossos ouvintes."
                }
            }
        }
    }
}
