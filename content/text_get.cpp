#include "text_get.h"

#include "blocking_reply.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QUrl>
#include <memory>

namespace content {
namespace {

constexpr int kTimeoutMs = 60000;

struct TMediaType {
    QByteArray type;    // lower case, e.g. "text"
    QByteArray subtype; // lower case, e.g. "xml"
    QByteArray charset; // as sent, quotes removed; empty when absent
};

TMediaType ParseContentType(const QByteArray& header) {
    TMediaType result;
    const QList<QByteArray> parts = header.split(';');
    const QByteArray mediaType = parts.value(0).trimmed().toLower();
    const qsizetype slash = mediaType.indexOf('/');
    result.type = slash < 0 ? mediaType : mediaType.left(slash).trimmed();
    result.subtype = slash < 0 ? QByteArray() : mediaType.mid(slash + 1).trimmed();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray param = parts[i].trimmed();
        const qsizetype eq = param.indexOf('=');
        if (eq < 0 || param.left(eq).trimmed().toLower() != "charset")
            continue;
        QByteArray value = param.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        result.charset = value;
        break;
    }
    return result;
}

bool IsJson(const TMediaType& media) {
    return (media.type == "application" && media.subtype == "json") ||
           media.subtype.endsWith("+json");
}

bool IsXmlText(const QByteArray& subtype) {
    return subtype == "xml" || subtype == "xml-external-parsed-entity" || subtype.endsWith("+xml");
}

QByteArray ChosenCharset(const TMediaType& media) {
    if (!media.charset.isEmpty())
        return media.charset;
    if (IsJson(media))
        return "utf-8";
    if (media.type == "text")
        return IsXmlText(media.subtype) ? "us-ascii" : "iso-8859-1";
    return {};
}

} // namespace

QString DecodeBody(const QByteArray& body, const QByteArray& contentType) {
    const QByteArray charset = ChosenCharset(ParseContentType(contentType));
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    // Unknown or no charset: each byte becomes the character of the same code.
    return QString::fromLatin1(body);
}

QString HttpGetText(const QString& url) {
    QNetworkAccessManager client;
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(kTimeoutMs);
    std::unique_ptr<QNetworkReply> reply(client.get(request));
    WaitForReply(*reply);

    if (reply->error() != QNetworkReply::NoError)
        throw ETextGetError(reply->errorString().toStdString());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299)
        throw ETextGetError("HTTP status " + std::to_string(status));
    return DecodeBody(reply->readAll(), reply->rawHeader("Content-Type"));
}

} // namespace content
