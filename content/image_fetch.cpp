#include "image_fetch.h"

#include "blocking_reply.h"

#include <QBuffer>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QUrl>
#include <memory>

namespace content {
namespace {

constexpr int kTimeoutMs = 60000;
constexpr int kMaxRedirects = 5;

QNetworkRequest ImageRequest(const QString& url) {
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(kTimeoutMs);
    // Only secure protocol versions; the test is made on a lower-cased copy of the whole address.
    if (url.toLower().contains(QLatin1String("https"))) {
        QSslConfiguration ssl = request.sslConfiguration();
        ssl.setProtocol(QSsl::TlsV1_2OrLater);
        request.setSslConfiguration(ssl);
    }
    return request;
}

} // namespace

bool DecodeImage(QImage& img, const QByteArray& data) {
    if (data.isEmpty())
        return false;
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxImagePixels)
        return false;
    QImage decoded;
    if (!reader.read(&decoded) || decoded.isNull())
        return false;
    img = std::move(decoded);
    return true;
}

bool FetchImage(QImage& img, const QString& url) {
    const QUrl address(url);
    if (url.isEmpty() || !address.isValid() || address.isRelative())
        return false;
    QNetworkAccessManager client;
    std::unique_ptr<QNetworkReply> reply(client.get(ImageRequest(url)));
    bool oversized = false;
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(),
                     [&oversized, r = reply.get()](qint64 received, qint64 total) {
                         if (received > kMaxImageBytes || total > kMaxImageBytes) {
                             oversized = true;
                             r->abort();
                         }
                     });
    WaitForReply(*reply);
    if (oversized)
        return false;
    // Whatever body arrived is tried, error page or not: only a decodable picture is taken.
    return DecodeImage(img, reply->readAll());
}

} // namespace content
