#include "image_fetch.h"

#include "http_get.h"

#include <QBuffer>
#include <QImageReader>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>

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

void FetchImageAsync(const QString& url, QObject* context, std::function<void(QImage)> done) {
    const QUrl address(url);
    if (url.isEmpty() || !address.isValid() || address.isRelative()) {
        QTimer::singleShot(0, context, [done = std::move(done)] { done(QImage()); });
        return;
    }
    GetAsync(ImageRequest(url), context, kMaxImageBytes,
             [done = std::move(done)](QNetworkReply& reply, bool oversized) {
                 QImage picture;
                 // Whatever body arrived is tried, error page or not: only a picture is taken.
                 if (!oversized)
                     DecodeImage(picture, reply.readAll());
                 done(std::move(picture));
             });
}

} // namespace content
