#include "main_thread.h"

#include <QCoreApplication>
#include <QThread>

namespace zelvorna {

bool OnMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

} // namespace zelvorna
