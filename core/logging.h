#pragma once
// One logging category per subsystem. All are silent by default: the application writes no log
// unless a developer turns a category on, for example QT_LOGGING_RULES="zelvorna.*=true".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcRadio)   // zelvorna.radio: radio component and engine binding
Q_DECLARE_LOGGING_CATEGORY(lcWindow)  // zelvorna.window: start-up, window, player panel
Q_DECLARE_LOGGING_CATEGORY(lcContent) // zelvorna.content: feeds, pictures, statistics visit
Q_DECLARE_LOGGING_CATEGORY(lcProfile) // zelvorna.profile: settings file and links
