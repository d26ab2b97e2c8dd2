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

constexpr int kMaxRedirects = 5;

QNetworkRequest ImageRequest(const QString& url) {
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(kDownloadTimeLimitMs);
    // Only secure protocol versions; the test is made on a lower-cased copy of the whole address.
    if (url.toLower().contains(QLatin1String("https"))) {
        QSslConfiguration ssl = request.sslConfiguration();
        ssl.setProtocol(QSsl::TlsV1_2OrLater);
        request.setSslConfiguration(ssl);
    }
    return request;
}

} // namespace

bool DecodeImage(QImage& img, const QByteArray& data, QSize box) {
    if (data.isEmpty())
        return false;
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxImagePixels)
        return false;
    // Decoded straight at the shown size where the format can (JPEG, SVG), else shrunk after:
    // a card keeps only what it shows, whatever the file's size.
    const bool larger = box.isValid() && size.isValid() &&
                        (size.width() > box.width() || size.height() > box.height());
    if (larger)
        reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio));
    QImage decoded;
    if (!reader.read(&decoded) || decoded.isNull())
        return false;
    if (box.isValid() && (decoded.width() > box.width() || decoded.height() > box.height()))
        decoded = decoded.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    img = std::move(decoded);
    return true;
}

void FetchImageAsync(const QString& url, QSize shownSize, QObject* context,
                     std::function<void(QImage)> done) {
    // Never a local file, a resource of ours or an inline picture: only the web.
    if (!IsWebAddress(url)) {
        QTimer::singleShot(0, context, [done = std::move(done)] { done(QImage()); });
        return;
    }
    GetAsync(ImageRequest(url), context, kMaxImageBytes,
             [done = std::move(done), shownSize](QNetworkReply& reply, TGetLimit limit) {
                 QImage picture;
                 // Whatever body arrived is tried, error page or not: only a picture is taken.
                 if (limit == TGetLimit::None)
                     DecodeImage(picture, reply.readAll(), shownSize);
                 done(std::move(picture));
             });
}

} // namespace content
