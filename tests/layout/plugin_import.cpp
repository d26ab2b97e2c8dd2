// The window's QML module is linked statically.
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(ZelvornaPlugin)
