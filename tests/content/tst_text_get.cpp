// The feed download: charset rules, failures, the main thread never waiting, and the blocking
// form on a worker.

#include "feed_server_client.h"
#include "text_get.h"

#include <QTcpServer>
#include <QTimer>
#include <QtTest>

using content::ETextGetError;

namespace {

// The main thread's way: the GET runs in the event loop and hands its text back.
QString GetText(const QString& url) {
    bool done = false;
    QString text, error;
    content::HttpGetTextAsync(url, QCoreApplication::instance(),
                              [&](const QString& body, const QString& failure) {
                                  text = body;
                                  error = failure;
                                  done = true;
                              });
    if (!QTest::qWaitFor([&] { return done; }, 30000))
        throw std::runtime_error("no answer");
    if (!error.isEmpty())
        throw ETextGetError(error.toStdString());
    return text;
}

} // namespace

class TstTextGet : public QObject {
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
        QCOMPARE(GetText(Echo(contentType, body)), expected);
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
        QVERIFY_THROWS_EXCEPTION(ETextGetError, GetText(server_->Url(path)));
    }

    void failsWhenNothingListens() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        QVERIFY_THROWS_EXCEPTION(ETextGetError,
                                 GetText(QStringLiteral("http://127.0.0.1:%1/x").arg(port)));
    }

    void emptySuccessIsEmptyText() {
        QVERIFY(server_->SetRoute("/empty.json", QByteArray(), "application/json", 204));
        QCOMPARE(GetText(server_->Url("/empty.json")), QString());
    }

    void mainThreadDoesNotWaitForTheReply() {
        bool done = false;
        content::HttpGetTextAsync(server_->Url("/slow/300/echo?hex=6f6b"),
                                  QCoreApplication::instance(),
                                  [&](const QString&, const QString&) { done = true; });
        QVERIFY(!done); // returned before the reply
        QVERIFY(QTest::qWaitFor([&] { return done; }, 10000));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, content::HttpGetText(server_->Url("/x")));
    }

    void workerWaitsInItsOwnLoop() {
        QString text;
        std::unique_ptr<QThread> worker(QThread::create(
            [&] { text = content::HttpGetText(server_->Url("/slow/100/echo?hex=6f6b")); }));
        worker->start();
        QVERIFY(QTest::qWaitFor([&] { return worker->isFinished(); }, 10000));
        QCOMPARE(text, QString("ok"));
    }

    void contextGoneDropsTheAnswer() {
        bool called = false;
        auto context = std::make_unique<QObject>();
        content::HttpGetTextAsync(server_->Url("/slow/200/echo?hex=6f6b"), context.get(),
                                  [&](const QString&, const QString&) { called = true; });
        context.reset();
        QTest::qWait(400);
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(TstTextGet)
#include "tst_text_get.moc"
