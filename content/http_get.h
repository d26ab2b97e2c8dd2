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

// Every download from the network is bounded in time as a whole, not only in silence: a server
// that sends a byte now and then cannot hold it.
inline constexpr int kDownloadTimeLimitMs = 15000;

// How a download ended, besides the reply's own error.
enum class TGetLimit { None, Oversized, TimedOut };

// Runs finished once, when the reply has ended (errors included), unless context is destroyed
// first, which aborts the request. A body growing past maxBytes, or a download running past
// kDownloadTimeLimitMs, aborts the request and finished is told which limit ended it; the
// reply's body is still readable inside finished.
void GetAsync(const QNetworkRequest& request, QObject* context, qint64 maxBytes,
              std::function<void(QNetworkReply& reply, TGetLimit limit)> finished);

// An absolute http or https address with a host: the only kind the window opens or fetches.
bool IsWebAddress(const QString& address);

} // namespace content
