// The feed download: charset rules, failures, and the wait on the main thread.

#include "feed_server_client.h"
#include "text_get.h"

#include <QTcpServer>
#include <QTimer>
#include <QtTest>

using content::ETextGetError;
using content::HttpGetText;

class TestTextGet : public QObject {
    Q_OBJECT
    std::unique_ptr<TFeedServer> server_;

    QString Echo(const QByteArray& contentType, const QByteArray& body) const {
        QUrlQuery query;
        if (!contentType.isNull())
            query.addQueryItem("ct", QString::fromLatin1(contentType.toPercentEncoding()));
        query.addQueryItem("hex", QString::fromLatin1(body.toHex()));
        return server_->Url("/echo?" + query.toString(QUrl::FullyEncoded));
    }

private slots:
    void initTestCase() {
        server_ = std::make_unique<TFeedServer>();
        QVERIFY(server_->Ok());
    }

    void decodesByContentType_data() {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        const QByteArray cafe = "Caf\xc3\xa9";
        const QString utf8 = QString::fromUtf8(cafe);
        const QString latin1 = QString::fromLatin1(cafe); // "CafÃ©"
        QTest::addRow("json without charset is utf-8")
            << QByteArray("application/json") << cafe << utf8;
        QTest::addRow("+json without charset is utf-8")
            << QByteArray("application/ld+json") << cafe << utf8;
        QTest::addRow("json utf-8 bom skipped")
            << QByteArray("application/json") << QByteArray("\xef\xbb\xbf[]") << "[]";
        QTest::addRow("json with charset utf-8")
            << QByteArray("application/json; charset=utf-8") << cafe << utf8;
        QTest::addRow("charset parameter wins")
            << QByteArray("application/json; charset=iso-8859-1") << cafe << latin1;
        QTest::addRow("quoted charset, upper case")
            << QByteArray("text/html; Charset=\"UTF-8\"") << cafe << utf8;
        QTest::addRow("known 8-bit charset") << QByteArray("text/plain; charset=windows-1252")
                                             << QByteArray("\x80") << QString(QChar(0x20ac));
        QTest::addRow("text without charset is latin-1")
            << QByteArray("text/plain") << cafe << latin1;
        QTest::addRow("text type in capitals") << QByteArray("Text/HTML") << cafe << latin1;
        QTest::addRow("text/xml is us-ascii")
            << QByteArray("text/xml") << QByteArray("Caf\xe9") << QString("Caf") + QChar(0xfffd);
        QTest::addRow("text +xml is us-ascii")
            << QByteArray("text/foo+xml") << QByteArray("Caf\xe9")
            << QString("Caf") + QChar(0xfffd);
        QTest::addRow("application +xml byte by byte")
            << QByteArray("application/atom+xml") << QByteArray("Caf\xe9")
            << QString::fromLatin1("Caf\xe9");
        QTest::addRow("other type byte by byte") << QByteArray("image/png") << cafe << latin1;
        QTest::addRow("no content type byte by byte") << QByteArray() << cafe << latin1;
        QTest::addRow("unknown charset byte by byte")
            << QByteArray("text/plain; charset=no-such-set") << cafe << latin1;
    }
    void decodesByContentType() {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QCOMPARE(HttpGetText(Echo(contentType, body)), expected);
    }

    void failsOnAnythingButSuccess_data() {
        QTest::addColumn<QString>("path");
        QTest::addRow("not found") << "/status/404";
        QTest::addRow("server error") << "/status/500";
        QTest::addRow("redirect not followed") << "/redirect/1/echo";
        QTest::addRow("not modified") << "/status/304";
    }
    void failsOnAnythingButSuccess() {
        QFETCH(QString, path);
        QVERIFY_THROWS_EXCEPTION(ETextGetError, HttpGetText(server_->Url(path)));
    }

    void failsWhenNothingListens() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        QVERIFY_THROWS_EXCEPTION(ETextGetError,
                                 HttpGetText(QStringLiteral("http://127.0.0.1:%1/x").arg(port)));
    }

    void emptySuccessIsEmptyText() {
        QVERIFY(server_->SetRoute("/empty.json", QByteArray(), "application/json", 204));
        QCOMPARE(HttpGetText(server_->Url("/empty.json")), QString());
    }

    void mainThreadKeepsProcessingEventsWhileWaiting() {
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start(20);
        QCOMPARE(HttpGetText(server_->Url("/slow/300/echo?hex=6f6b")), QString("ok"));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }
};

QTEST_GUILESS_MAIN(TestTextGet)
#include "test_text_get.moc"
