#pragma once
// Picture download for cards and rows; swallows every failure.
//
// Threads: FetchImageAsync on any thread with an event loop (the main thread, for the window);
// DecodeImage on any thread.

#include <QImage>
#include <QString>
#include <functional>

class QObject;

namespace content {

// Largest picture decoded and largest body downloaded: a small bomb must not take the memory.
inline constexpr qint64 kMaxImagePixels = 4096LL * 4096LL;
inline constexpr qint64 kMaxImageBytes = 16LL * 1024 * 1024;

// Downloads url (up to 5 redirects, reply status not examined) and decodes the body. done gets
// the picture, or a null image when there is none to show; it does not run when context is
// destroyed first. An address that cannot be fetched answers on the next pass of the event
// loop, never inside this call.
void FetchImageAsync(const QString& url, QObject* context, std::function<void(QImage)> done);

// Decodes a downloaded body with the size limit above.
bool DecodeImage(QImage& img, const QByteArray& data);

} // namespace content
