// The station content against a loopback station website: sponsor cards, the programme list,
// what the listener is shown and in which order, the statistics visit.

#include "feed_server_client.h"
#include "link_opener.h"
#include "link_recorder.h"
#include "programme_model.h"
#include "sponsor_model.h"
#include "station_addresses.h"
#include "station_content.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray Sponsor(const QString& name, const QString& site, const QString& logo) {
    return QStringLiteral("{\"Nome_Patrocinador\": \"%1\", \"Descricao\": \"Sobre %1\", "
                          "\"Url_Patrocinador\": \"%2\", \"Url_Image\": \"%3\"}")
        .arg(name, site, logo)
        .toUtf8();
}

QByteArray Programme(const QString& name, const QString& picture) {
    return QStringLiteral("{\"Nome_do_Programa\": \"%1\", \"Descricao_do_Programa\": \"Sobre %1\", "
                          "\"Url_do_Programa\": \"http://p/%1\", \"Url_Image\": \"%2\"}")
        .arg(name, picture)
        .toUtf8();
}

// Children of this process running the statistics helper.
int VisitHelpers() {
    int count = 0;
    const QString self = QString::number(QCoreApplication::applicationPid());
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + pid + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString line = QString::fromLatin1(stat.readAll());
        const qsizetype close = line.lastIndexOf(')');
        const QStringList rest = line.mid(close + 2).split(' ');
        if (line.contains("(zelvorna-visit)") && rest.value(1) == self && rest.value(0) != "Z")
            ++count;
    }
    return count;
}

} // namespace

class TstStationContent : public QObject {
    Q_OBJECT
    std::unique_ptr<TFeedServer> server_;
    QStringList events_; // "message:<text>", "slide:<rows shown>" and "slid", in order
    std::shared_ptr<TRecordingOpener> opener_;
    std::unique_ptr<content::TStationContent> content_;
    int page_ = 0;         // the page the slide has brought in
    bool sliding_ = false; // a slide runs: it takes 100 ms, as the window's takes 300

    content::TStationContent& NewContent(bool visit = false) {
        page_ = 0;
        content::TStationContent::Dependencies deps;
        const auto addresses = zelvorna::TStationAddresses::From({}, server_->Host(), {});
        deps.sponsorFeed = addresses.sponsorFeed;
        deps.programmeFeed = addresses.programmeFeed;
        deps.statisticsPage = addresses.statisticsPage;
        deps.visitStatistics = visit;
        deps.showMessage = [this](const QString& text) { events_ << "message:" + text; };
        opener_ = std::make_shared<TRecordingOpener>();
        deps.linkOpener = opener_;
        deps.slideToProgrammes = [this](std::function<void()> then) {
            if (page_ == 1 || sliding_) {
                if (then)
                    then();
                return;
            }
            events_ << QStringLiteral("slide:%1").arg(Programmes().rowCount());
            sliding_ = true;
            QTimer::singleShot(100, content_.get(), [this, then] {
                page_ = 1;
                sliding_ = false;
                events_ << "slid";
                if (then)
                    then();
            });
        };
        content_ = std::make_unique<content::TStationContent>(std::move(deps));
        return *content_;
    }

    content::TSponsorModel& Sponsors() { return content_->Sponsors(); }
    content::TProgrammeModel& Programmes() { return content_->Programmes(); }

    // Starts the fetch as the shown window does and waits for the sponsor strip's update to end.
    bool ShowAndWaitForSponsors(content::TStationContent& content) {
        QSignalSpy ended(&Sponsors(), &content::TSponsorModel::updateEnded);
        content.StartupFetch();
        return ended.wait(15000);
    }

    // Presses "Programas" and waits until the termination handler has slid and reported.
    void PressProgrammes(content::TStationContent& content, bool expectMessage) {
        QSignalSpy ended(&Programmes(), &content::TProgrammeModel::updateEnded);
        content.ProgrammesClick();
        QVERIFY(ended.count() > 0 || ended.wait(15000));
        QTRY_VERIFY(page_ == 1 && !content.ProgrammeLoadRunning());
        if (expectMessage)
            QTRY_VERIFY(events_.filter("message:").size() == 1);
        else
            QTest::qWait(100);
    }

private slots:
    void initTestCase() {
        server_ = std::make_unique<TFeedServer>(true);
        QVERIFY(server_->Ok());
    }
    void init() { events_.clear(); }
    // Every test has waited for its workers, so the content can simply go.
    void cleanup() {
        QTest::qWait(50);
        content_.reset();
    }

    void sponsorCardsInFeedOrderWithLogos() {
        const QByteArray feed =
            "[" +
            Sponsor("Padaria São João", "https://padaria.example/?a=1&b=2",
                    server_->Url("/fixture/logo.png")) +
            "," + Sponsor("Oficina do Zé", "http://oficina.example", server_->Url("/status/404")) +
            "," + Sponsor("Livraria", "x", server_->Url("/fixture/logo.svg")) + "]";
        QVERIFY(server_->SetRoute("/patrocinadores.json", feed, "application/json"));
        content::TStationContent& window = NewContent();
        QVERIFY(ShowAndWaitForSponsors(window));
        QCOMPARE(window.webBrowserUrl(), "https://" + server_->Host() + "/estatistica_app.php");
        QCOMPARE(Sponsors().rowCount(), 3);
        QCOMPARE(Sponsors().At(0).name, QString("Padaria São João"));
        QCOMPARE(Sponsors().At(0).description, QString("Sobre Padaria São João"));
        QCOMPARE(Sponsors().At(1).name, QString("Oficina do Zé"));
        QCOMPARE(Sponsors().At(2).site, QString("x"));
        const auto logo = [this](int row) {
            return Sponsors()
                .data(Sponsors().index(row), content::TSponsorModel::LogoRole)
                .toString();
        };
        QVERIFY(!logo(0).isEmpty());
        QVERIFY(logo(1).isEmpty()); // error page: card without logo
        QVERIFY(!logo(2).isEmpty());
        QVERIFY(window.sponsorStripVisible());
        QCOMPARE(events_, QStringList());

        window.SponsorClick(1);
        window.SponsorClick(0);
        window.SponsorClick(3); // no such card
        QCOMPARE(opener_->opened.size(), 2);
        QCOMPARE(opener_->opened[0].url, QUrl("http://oficina.example"));
        QCOMPARE(opener_->opened[1].url, QUrl("https://padaria.example/?a=1&b=2"));
        QCOMPARE(opener_->opened[1].mode, profile::TLinkOpener::ShowMode::Maximized);
    }

    void sponsorFailuresShowNothing_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<int>("cards");
        const QByteArray one = Sponsor("A", "s", "");
        QTest::addRow("download fails") << 404 << QByteArray("[]") << 0;
        QTest::addRow("redirected") << 302 << ("[" + one + "]") << 0;
        QTest::addRow("empty array") << 200 << QByteArray("[]") << 0;
        QTest::addRow("not json") << 200 << ("[" + one) << 0;
        QTest::addRow("top-level object") << 200 << one << 0;
        QTest::addRow("second lacks a member")
            << 200 << ("[" + one + ", {\"Nome_Patrocinador\": \"B\"}, " + one + "]") << 1;
    }
    void sponsorFailuresShowNothing() {
        QFETCH(int, status);
        QFETCH(QByteArray, feed);
        QFETCH(int, cards);
        QVERIFY(server_->SetRoute("/patrocinadores.json", feed, "application/json", status));
        content::TStationContent& window = NewContent();
        QVERIFY(ShowAndWaitForSponsors(window));
        QCOMPARE(Sponsors().rowCount(), cards);
        QVERIFY(!Sponsors().InUpdate());
        QTest::qWait(100); // the start-up fetch thread's termination handler has run by now
        QCOMPARE(events_, QStringList());
    }

    // Feeds no station would send: each ends as a failed or malformed feed, with no card, nothing
    // shown and the window still working; the time a hostile server may hold it is bounded.
    void hostileSponsorFeedsGiveNoCard_data() {
        QTest::addColumn<QString>("served"); // fixed route of the feed server
        QTest::addColumn<int>("maxSeconds");
        QTest::addRow("nested a million deep") << "/deep/1000000" << 5;
        QTest::addRow("never ends") << "/endless" << 10;
        QTest::addRow("a byte now and then") << "/drip/60000" << 18;
    }
    void hostileSponsorFeedsGiveNoCard() {
        QFETCH(QString, served);
        QFETCH(int, maxSeconds);
        QVERIFY(server_->ServeAs("/patrocinadores.json", served));
        content::TStationContent& window = NewContent();
        QElapsedTimer clock;
        clock.start();
        QSignalSpy ended(&Sponsors(), &content::TSponsorModel::updateEnded);
        window.StartupFetch();
        QVERIFY(ended.wait(30000));
        QVERIFY2(clock.elapsed() < maxSeconds * 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(Sponsors().rowCount(), 0);
        QTest::qWait(100);
        QCOMPARE(events_, QStringList());
    }

    // Only web pages leave the window: a feed's site is never a file, a program's scheme or a
    // relative path for the desktop to guess at; a picture is never a local file or inline.
    void onlyWebAddressesAreOpenedOrFetched() {
        const QString logo = server_->Url("/fixture/logo.png");
        const QString localFile = "file://" + qEnvironmentVariable("ZELVORNA_SOURCE_DIR") +
                                  "/tests/fixtures/content/logo.png";
        QByteArray feed = "[";
        const QStringList sites{"file:///etc/passwd", "javascript:alert(1)", "ftp://f.example/",
                                "mailto:a@b.example", "relative/path",       "HTTPS://Ok.Example/a",
                                "http://ok.example/b"};
        for (const QString& site : sites)
            feed += Sponsor("S", site, logo) + ",";
        feed += Sponsor("local logo", "http://x.example", localFile) + "," +
                Sponsor("resource logo", "http://x.example", "qrc:/assets/logo_radio.svg") + "]";
        QVERIFY(server_->SetRoute("/patrocinadores.json", feed, "application/json"));
        content::TStationContent& window = NewContent();
        QVERIFY(ShowAndWaitForSponsors(window));
        QCOMPARE(Sponsors().rowCount(), int(sites.size()) + 2);
        for (int i = 0; i < int(sites.size()); ++i)
            window.SponsorClick(i);
        QCOMPARE(opener_->Links(), (QStringList{"https://ok.example/a", "http://ok.example/b"}));
        const auto hasLogo = [this](int row) {
            return !Sponsors()
                        .data(Sponsors().index(row), content::TSponsorModel::LogoRole)
                        .toString()
                        .isEmpty();
        };
        QVERIFY(hasLogo(0));
        QVERIFY(!hasLogo(int(sites.size())));
        QVERIFY(!hasLogo(int(sites.size()) + 1));
    }

    // A card keeps its logo at the size it is shown at: memory grows with the cards, not with
    // the pictures' files.
    void hugeLogoIsKeptAtItsCardsSize() {
        const QByteArray feed =
            "[" + Sponsor("Grande", "http://g.example", server_->Url("/big.png")) + "]";
        QVERIFY(server_->SetRoute("/patrocinadores.json", feed, "application/json"));
        content::TStationContent& window = NewContent();
        QVERIFY(ShowAndWaitForSponsors(window));
        QCOMPARE(Sponsors().rowCount(), 1);
        const QImage kept = Sponsors().Images()->Get(Sponsors().At(0).id);
        QVERIFY(!kept.isNull());
        QVERIFY2(kept.width() <= 210 && kept.height() <= 105,
                 qPrintable(QStringLiteral("%1 x %2").arg(kept.width()).arg(kept.height())));
        QVERIFY(kept.sizeInBytes() <= 210 * 105 * 4); // of the file's 48 MB of pixels
    }

    void programmeFeedOutcomes_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("message");
        const QByteArray a = Programme("Café com Notícias", "");
        const QByteArray b = Programme("Tarde Sertaneja", "http://127.0.0.1:1/none.png");
        QTest::addRow("two programmes") << 200 << ("[" + a + "," + b + "]") << 2 << QString();
        QTest::addRow("empty array") << 200 << QByteArray("[]") << 0 << QString();
        QTest::addRow("download fails") << 500 << ("[" + a + "]") << 0 << QString();
        QTest::addRow("missing Url_do_Programa")
            << 200
            << ("[" + a +
                ", {\"Nome_do_Programa\": \"x\", \"Descricao_do_Programa\": \"y\", \"Url_Image\": "
                "\"\"}]")
            << 1 << "Value 'Url_do_Programa' not found";
        QTest::addRow("description is an object")
            << 200
            << QByteArray("[{\"Nome_do_Programa\": \"x\", \"Descricao_do_Programa\": {}, "
                          "\"Url_do_Programa\": \"\", \"Url_Image\": \"\"}]")
            << 0 << "Conversion from TJSONObject to string is not supported";
        QTest::addRow("top-level object") << 200 << a << 0 << "Invalid class typecast";
        QTest::addRow("not json")
            << 200 << ("[" + a) << 0
            << "O guia de programação recebido não é um documento JSON válido.";
    }
    void programmeFeedOutcomes() {
        QFETCH(int, status);
        QFETCH(QByteArray, feed);
        QFETCH(int, rows);
        QFETCH(QString, message);
        QVERIFY(server_->SetRoute("/programacao.json", feed, "application/json", status));
        content::TStationContent& window = NewContent();
        PressProgrammes(window, !message.isEmpty());
        QCOMPARE(Programmes().rowCount(), rows);
        // The update has ended (rows shown) before the slide, and the slide has ended before any
        // message.
        QStringList expected{QStringLiteral("slide:%1").arg(rows), "slid"};
        if (!message.isEmpty())
            expected << "message:" + message;
        QCOMPARE(events_, expected);
        if (rows > 0) {
            QCOMPARE(Programmes().At(0).name, QString("Café com Notícias"));
            QCOMPARE(Programmes().At(0).description, QString("Sobre Café com Notícias"));
        }
    }

    void programmeRowsGetTheirPictures() {
        const QByteArray feed = "[" + Programme("A", server_->Url("/fixture/logo.jpg")) + "," +
                                Programme("B", server_->Url("/fixture/not_a_picture.png")) + "]";
        QVERIFY(server_->SetRoute("/programacao.json", feed, "application/json"));
        content::TStationContent& window = NewContent();
        PressProgrammes(window, false);
        const auto picture = [this](int row) {
            return Programmes()
                .data(Programmes().index(row), content::TProgrammeModel::PictureRole)
                .toString();
        };
        QVERIFY(!picture(0).isEmpty());
        QVERIFY(picture(1).isEmpty());
        QCOMPARE(Programmes().data(Programmes().index(1), content::TProgrammeModel::RowHeightRole),
                 QVariant(135));
    }

    void filledListOnlySlidesEmptyListDownloadsAgain() {
        QVERIFY(server_->SetRoute("/programacao.json", "", "application/json", 404));
        content::TStationContent& window = NewContent();
        const int before = server_->Requests("/programacao.json");
        PressProgrammes(window, false);
        page_ = 0;
        QVERIFY(server_->SetRoute("/programacao.json", "[" + Programme("A", "") + "]",
                                  "application/json"));
        PressProgrammes(window, false);
        QCOMPARE(Programmes().rowCount(), 1);
        page_ = 0;
        window.ProgrammesClick();
        QTRY_COMPARE(page_, 1);
        QCOMPARE(server_->Requests("/programacao.json") - before, 2);
        QCOMPARE(Programmes().rowCount(), 1);
    }

    void pressWhileLoadingStartsNoSecondDownload() {
        // The first row's picture is slow, so a press arrives before any row is in the list.
        const QByteArray feed =
            "[" + Programme("A", server_->Url("/slow/600/fixture/logo.png")) + "]";
        QVERIFY(server_->SetRoute("/programacao.json", feed, "application/json"));
        content::TStationContent& window = NewContent();
        const int before = server_->Requests("/programacao.json");
        QTimer::singleShot(200, &window, [&window] { window.ProgrammesClick(); });
        PressProgrammes(window, false);
        QTest::qWait(300);
        QCOMPARE(server_->Requests("/programacao.json") - before, 1);
        QCOMPARE(Programmes().rowCount(), 1);
        QCOMPARE(events_.filter("message:"), QStringList());
    }

    void statisticsPageVisitedOncePerStart() {
        QVERIFY(server_->SetRoute("/patrocinadores.json", "[]", "application/json"));
        QVERIFY(server_->SetRoute("/estatistica_app.php", "<html><body>ok</body></html>",
                                  "text/html; charset=utf-8"));
        const int before = server_->Requests("/estatistica_app.php");
        content::TStationContent& window = NewContent(true);
        QVERIFY(ShowAndWaitForSponsors(window));
        QTRY_COMPARE_WITH_TIMEOUT(server_->Requests("/estatistica_app.php") - before, 1, 30000);
        QTest::qWait(500);
        QCOMPARE(server_->Requests("/estatistica_app.php") - before, 1);
        QCOMPARE(server_->Requests("/favicon.ico"), 0);
        QTRY_COMPARE_WITH_TIMEOUT(VisitHelpers(), 0, 10000);
    }
};

QTEST_MAIN(TstStationContent)
#include "tst_station_content.moc"
