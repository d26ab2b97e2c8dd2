#include "http_get.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <memory>

namespace content {

void GetAsync(const QNetworkRequest& request, QObject* context, qint64 maxBytes,
              std::function<void(QNetworkReply& reply, bool oversized)> finished) {
    // Owned by the context, so a window that goes away takes its downloads with it.
    auto* client = new QNetworkAccessManager(context);
    QNetworkReply* reply = client->get(request);
    auto oversized = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, oversized, maxBytes](qint64 received, qint64 total) {
                         if (received > maxBytes || total > maxBytes) {
                             *oversized = true;
                             reply->abort();
                         }
                     });
    QObject::connect(reply, &QNetworkReply::finished, client,
                     [client, reply, oversized, finished = std::move(finished)] {
                         client->deleteLater(); // the reply is its child
                         finished(*reply, *oversized);
                     });
}

} // namespace content
