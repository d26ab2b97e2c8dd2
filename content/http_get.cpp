#include "http_get.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace content {

void GetAsync(const QNetworkRequest& request, QObject* context, qint64 maxBytes,
              std::function<void(QNetworkReply& reply, TGetLimit limit)> finished) {
    // Owned by the context, so a window that goes away takes its downloads with it.
    auto* client = new QNetworkAccessManager(context);
    QNetworkReply* reply = client->get(request);
    auto limit = std::make_shared<TGetLimit>(TGetLimit::None);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, limit, maxBytes](qint64 received, qint64 total) {
                         if (received > maxBytes || total > maxBytes) {
                             *limit = TGetLimit::Oversized;
                             reply->abort();
                         }
                     });
    QTimer::singleShot(kDownloadTimeLimitMs, reply, [reply, limit] {
        *limit = TGetLimit::TimedOut;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, client,
                     [client, reply, limit, finished = std::move(finished)] {
                         client->deleteLater(); // the reply is its child
                         finished(*reply, *limit);
                     });
}

bool IsWebAddress(const QString& address) {
    const QUrl url(address, QUrl::TolerantMode); // as the desktop opener reads it
    const QString scheme = url.scheme();         // lower case
    return url.isValid() && !url.isRelative() && (scheme == u"http" || scheme == u"https") &&
           !url.host().isEmpty();
}

} // namespace content
