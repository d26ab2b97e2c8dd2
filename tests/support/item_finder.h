#pragma once
// Finds an item of a window's tree by objectName through the visual tree: list delegates have no
// QObject parent in the window, so findChild does not reach them.

#include <QQuickItem>
#include <QString>

inline QQuickItem* FindItem(QQuickItem* root, const QString& objectName) {
    if (root->objectName() == objectName)
        return root;
    for (QQuickItem* child : root->childItems())
        if (QQuickItem* found = FindItem(child, objectName))
            return found;
    return nullptr;
}
