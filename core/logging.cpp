#include "logging.h"

// QtFatalMsg as the lowest enabled level turns debug, info, warning and critical off.
Q_LOGGING_CATEGORY(lcRadio, "zelvorna.radio", QtFatalMsg)
Q_LOGGING_CATEGORY(lcWindow, "zelvorna.window", QtFatalMsg)
Q_LOGGING_CATEGORY(lcContent, "zelvorna.content", QtFatalMsg)
Q_LOGGING_CATEGORY(lcProfile, "zelvorna.profile", QtFatalMsg)
