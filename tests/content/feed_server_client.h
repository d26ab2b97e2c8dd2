#pragma once
// Starts tests/support/feed_server.py on a free loopback port and talks to its control routes.

#include "script_server.h"

#include <QByteArray>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QString>
#include <QTest>
#include <memory>

class TFeedServer {
public:
    explicit TFeedServer(bool tls = false) {
        QStringList args{"--fixtures",
                         qEnvironmentVariable("ZELVORNA_SOURCE_DIR") + "/tests/fixtures/content"};
        if (tls)
            args << "--tls";
        if (server_.start("tests/support/feed_server.py", args, "PORT (\\d+)", 20000))
            port_ = server_.captured().toUShort();
    }

    bool Ok() const { return port_ != 0; }
    quint16 Port() const { return port_; }
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QString Url(const QString& path, const QString& scheme = "http") const {
        return QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(port_).arg(path);
    }

    // Serves body at path from now on (a null content type sends no Content-Type header).
    bool SetRoute(const QString& path, const QByteArray& body, const QByteArray& contentType,
                  int status = 200) {
        QNetworkRequest request{QUrl(Url("/_route" + path))};
        request.setRawHeader("X-Status", QByteArray::number(status));
        if (!contentType.isNull())
            request.setRawHeader("X-Content-Type", contentType);
        std::unique_ptr<QNetworkReply> reply(client_.put(request, body));
        Wait(*reply);
        return reply->error() == QNetworkReply::NoError;
    }

    // path serves the fixed route served (for example "/endless") from now on.
    bool ServeAs(const QString& path, const QString& served) {
        QNetworkRequest request{QUrl(Url("/_route" + path))};
        request.setRawHeader("X-Serve", served.toUtf8());
        std::unique_ptr<QNetworkReply> reply(client_.put(request, QByteArray()));
        Wait(*reply);
        return reply->error() == QNetworkReply::NoError;
    }

    int Requests(const QString& path) {
        std::unique_ptr<QNetworkReply> reply(client_.get(QNetworkRequest{QUrl(Url("/_requests"))}));
        Wait(*reply);
        return QJsonDocument::fromJson(reply->readAll()).object().value(path).toInt();
    }

private:
    static void Wait(QNetworkReply& reply) {
        if (reply.isFinished())
            return;
        QEventLoop loop;
        QObject::connect(&reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }

    ScriptServer server_;
    QNetworkAccessManager client_;
    quint16 port_ = 0;
};
