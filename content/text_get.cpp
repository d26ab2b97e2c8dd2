#include "text_get.h"

#include "http_get.h"
#include "main_thread.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QUrl>

namespace content {
namespace {

constexpr int kTimeoutMs = 60000;
// Far above any real feed; a feed that never ends is a failed download.
constexpr qint64 kMaxFeedBytes = 2LL * 1024 * 1024;

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

void HttpGetTextAsync(const QString& url, QObject* context, TTextDone done) {
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(kTimeoutMs);
    GetAsync(
        request, context, kMaxFeedBytes,
        [done = std::move(done)](QNetworkReply& reply, TGetLimit limit) {
            if (limit == TGetLimit::Oversized) {
                done(QString(), QStringLiteral("feed larger than %1 bytes").arg(kMaxFeedBytes));
                return;
            }
            if (limit == TGetLimit::TimedOut) {
                done(QString(),
                     QStringLiteral("feed not complete within %1 ms").arg(kDownloadTimeLimitMs));
                return;
            }
            if (reply.error() != QNetworkReply::NoError) {
                done(QString(), reply.errorString());
                return;
            }
            const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (status < 200 || status > 299) {
                done(QString(), QStringLiteral("HTTP status %1").arg(status));
                return;
            }
            done(DecodeBody(reply.readAll(), reply.rawHeader("Content-Type")), QString());
        });
}

QString HttpGetText(const QString& url) {
    if (zelvorna::OnMainThread())
        throw std::logic_error("the blocking text GET is for worker threads");
    QEventLoop loop;
    QString text;
    QString error;
    HttpGetTextAsync(url, &loop, [&](const QString& body, const QString& failure) {
        text = body;
        error = failure;
        loop.quit();
    });
    loop.exec();
    if (!error.isEmpty())
        throw ETextGetError(error.toStdString());
    return text;
}

} // namespace content
