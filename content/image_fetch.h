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

// Downloads url (an absolute http or https address; up to 5 redirects, reply status not
// examined, at most 15 s) and decodes the body at no more than shownSize (device pixels, aspect
// kept; an invalid size decodes at the picture's own size). done gets the picture, or a null
// image when there is none to show; it does not run when context is destroyed first. An address
// that is not fetched answers on the next pass of the event loop, never inside this call.
void FetchImageAsync(const QString& url, QSize shownSize, QObject* context,
                     std::function<void(QImage)> done);

// Decodes a downloaded body with the size limit above, shrunk to fit within box when larger.
bool DecodeImage(QImage& img, const QByteArray& data, QSize box = QSize());

} // namespace content
