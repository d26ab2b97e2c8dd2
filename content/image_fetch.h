#pragma once
// Picture download for cards and rows. Blocking; swallows every failure.

#include <QImage>
#include <QString>

namespace content {

// Largest picture decoded and largest body downloaded: a small bomb must not take the memory.
inline constexpr qint64 kMaxImagePixels = 4096LL * 4096LL;
inline constexpr qint64 kMaxImageBytes = 16LL * 1024 * 1024;

// Downloads url (up to 5 redirects, reply status not examined) and decodes the body into img.
// img is replaced only when decoding succeeds; returns whether it was.
bool FetchImage(QImage& img, const QString& url);

// Decodes a downloaded body with the size limit above.
bool DecodeImage(QImage& img, const QByteArray& data);

} // namespace content
