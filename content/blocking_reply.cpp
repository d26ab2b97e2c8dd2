#include "blocking_reply.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkReply>
#include <QThread>

namespace content {

void WaitForReply(QNetworkReply& reply) {
    if (reply.isFinished())
        return;
    QEventLoop loop;
    QObject::connect(&reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    const bool onMainThread = QCoreApplication::instance() &&
                              QThread::currentThread() == QCoreApplication::instance()->thread();
    loop.exec(onMainThread ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents);
}

} // namespace content
