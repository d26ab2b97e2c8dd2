// Picture download: formats, redirects, failures that give no picture, the size limits.

#include "feed_server_client.h"
#include "image_fetch.h"

#include <QFile>
#include <QtTest>

namespace {

// The picture the fetch hands back, waited for in the event loop; null when there is none.
QImage Fetch(const QString& url, QSize shownSize = QSize()) {
    bool done = false;
    QImage result(1, 1, QImage::Format_ARGB32); // not null: the answer must replace it
    content::FetchImageAsync(url, shownSize, QCoreApplication::instance(), [&](QImage picture) {
        result = std::move(picture);
        done = true;
    });
    if (done)
        qFatal("the fetch answered inside the call");
    if (!QTest::qWaitFor([&] { return done; }, 30000))
        qFatal("no answer");
    return result;
}

} // namespace

class TstImageFetch : public QObject {
    Q_OBJECT
    std::unique_ptr<TFeedServer> server_;

private slots:
    void initTestCase() {
        server_ = std::make_unique<TFeedServer>();
        QVERIFY(server_->Ok());
        QFile png(qEnvironmentVariable("ZELVORNA_SOURCE_DIR") + "/tests/fixtures/content/logo.png");
        QVERIFY(png.open(QIODevice::ReadOnly));
        // The reply status is not looked at: a picture served with 404 still loads.
        QVERIFY(server_->SetRoute("/gone.png", png.readAll(), "image/png", 404));
    }

    void loadsPictures_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::addRow("png") << "/fixture/logo.png" << QSize(32, 24);
        QTest::addRow("jpeg") << "/fixture/logo.jpg" << QSize(32, 24);
        QTest::addRow("gif") << "/fixture/logo.gif" << QSize(32, 24);
        QTest::addRow("svg") << "/fixture/logo.svg" << QSize(40, 30);
        QTest::addRow("five redirects") << "/redirect/5/fixture/logo.png" << QSize(32, 24);
        QTest::addRow("picture with error status") << "/gone.png" << QSize(32, 24);
        QTest::addRow("https in a plain address")
            << "/fixture/logo.png?from=https" << QSize(32, 24);
    }
    void loadsPictures() {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QCOMPARE(Fetch(server_->Url(path)).size(), size);
    }

    void failureGivesNoPicture_data() {
        QTest::addColumn<QString>("url");
        const QString base = server_->Url("");
        QTest::addRow("empty address") << "";
        QTest::addRow("not an address") << "not a picture address";
        QTest::addRow("error page") << base + "/status/404";
        QTest::addRow("not a picture") << base + "/fixture/not_a_picture.png";
        QTest::addRow("six redirects") << base + "/redirect/6/fixture/logo.png";
        QTest::addRow("decompression bomb") << base + "/bomb.png";
        QTest::addRow("oversized download") << base + "/huge";
        QTest::addRow("tls to a plain server") << server_->Url("/fixture/logo.png", "HTTPS");
        QTest::addRow("nothing listening") << "http://127.0.0.1:1/logo.png";
        // Only the web: no local file, resource of ours or inline picture.
        QTest::addRow("local file") << "file://" + qEnvironmentVariable("ZELVORNA_SOURCE_DIR") +
                                           "/tests/fixtures/content/logo.png";
        QTest::addRow("resource") << "qrc:/assets/logo_radio.svg";
        QTest::addRow("inline picture")
            << "data:image/gif;base64,R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7";
    }
    void failureGivesNoPicture() {
        QFETCH(QString, url);
        QVERIFY(Fetch(url).isNull());
    }

    // A picture is kept at the size it is shown at, never above it, whatever the file's size.
    void decodedAtTheShownSize_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<QSize>("kept");
        QTest::addRow("large png shrinks, aspect kept")
            << "/fixture/logo.png" << QSize(16, 16) << QSize(16, 12);
        QTest::addRow("svg rendered at the box")
            << "/fixture/logo.svg" << QSize(20, 20) << QSize(20, 15);
        QTest::addRow("small picture is not enlarged")
            << "/fixture/logo.jpg" << QSize(320, 240) << QSize(32, 24);
    }
    void decodedAtTheShownSize() {
        QFETCH(QString, path);
        QFETCH(QSize, shown);
        QFETCH(QSize, kept);
        QCOMPARE(Fetch(server_->Url(path), shown).size(), kept);
    }
};

QTEST_GUILESS_MAIN(TstImageFetch)
#include "tst_image_fetch.moc"
