#pragma once
// One GET with a client of its own, served by the calling thread's event loop: the thread never
// waits for it. Used by the text GET and the picture fetch.
//
// Threads: any thread with an event loop; the callback runs on that thread.

#include <QNetworkRequest>
#include <functional>

class QNetworkReply;
class QObject;

namespace content {

// Runs finished once, when the reply has ended (errors included), unless context is destroyed
// first, which aborts the request. A body growing past maxBytes aborts the request and finished
// is told so (oversized); the reply's body is still readable inside finished.
void GetAsync(const QNetworkRequest& request, QObject* context, qint64 maxBytes,
              std::function<void(QNetworkReply& reply, bool oversized)> finished);

} // namespace content
