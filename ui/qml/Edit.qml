import QtQuick
import QtQuick.Controls
import Zelvorna

// A text edit in the style book's edit look: no box of its own, black text, inset by 3,
// translucent blue selection; at most 50 characters.
TextField {
    required property QtObject styleBook

    background: null
    maximumLength: 50
    color: styleBook.editText
    selectionColor: styleBook.editSelection
    selectedTextColor: styleBook.editText
    padding: styleBook.editInset
    verticalAlignment: TextInput.AlignVCenter
    Accessible.role: Accessible.EditableText
    Accessible.onPressAction: forceActiveFocus()
}
