#pragma once
// Blocking GET of a feed as text. Any thread; one client per call, nothing kept between calls.

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace content {

// Connection failure, redirection, non-2xx status or time-out. Callers swallow it.
class ETextGetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Downloads url (redirects are not followed) and decodes the body by its Content-Type.
// Waits at most 60 s for the connection and 60 s of silence in the reply.
QString HttpGetText(const QString& url);

// The decoding rules, on their own: charset parameter when known; JSON types are UTF-8;
// text/* is ISO-8859-1 (XML subtypes us-ascii); anything else byte by byte.
QString DecodeBody(const QByteArray& body, const QByteArray& contentType);

} // namespace content
