#pragma once
// GET of a feed as text; one client per call, nothing kept between calls.
//
// Threads: HttpGetTextAsync on any thread with an event loop (the main thread included);
// HttpGetText on worker threads only; DecodeBody on any thread.

#include <QByteArray>
#include <QString>
#include <functional>
#include <stdexcept>

class QObject;

namespace content {

// Connection failure, redirection, non-2xx status or time-out. Callers swallow it.
class ETextGetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Downloads url (redirects are not followed) and decodes the body by its Content-Type. A body
// over 2 MiB, or a download not done within 15 s, fails like any other. done gets the text, or an
// empty text and the reason the GET failed; it does not run when context is destroyed first.
using TTextDone = std::function<void(const QString& text, const QString& error)>;
void HttpGetTextAsync(const QString& url, QObject* context, TTextDone done);

// The same on a worker thread, waiting in the worker's own event loop. Throws ETextGetError.
QString HttpGetText(const QString& url);

// The decoding rules, on their own: charset parameter when known; JSON types are UTF-8;
// text/* is ISO-8859-1 (XML subtypes us-ascii); anything else byte by byte.
QString DecodeBody(const QByteArray& body, const QByteArray& contentType);

} // namespace content
