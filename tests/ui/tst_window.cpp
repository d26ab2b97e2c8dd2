// The window class: its slide, and a window that keeps answering the listener while the
// programme feed and its pictures download on the main thread.

#include "player_panel.h"
#include "station_content.h"
#include "test_radios.h"
#include "tf_principal.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace {

// A website whose every reply comes after a delay: a slow feed on the main thread.
class TSlowSite : public QObject {
public:
    explicit TSlowSite(int delayMs) : delayMs_(delayMs) {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                QTimer::singleShot(delayMs_, socket, [socket] {
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                                  "Content-Length: 2\r\nConnection: close\r\n\r\n[]");
                    socket->disconnectFromHost();
                });
        });
    }
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }

private:
    QTcpServer server_;
    int delayMs_;
};

struct TFixture {
    std::shared_ptr<TFakeRadioState> radio = std::make_shared<TFakeRadioState>();
    std::unique_ptr<TF_Principal> window;

    explicit TFixture(const QString& siteHost = QStringLiteral("127.0.0.1:9")) {
        TF_Principal::Dependencies deps;
        deps.makeRadio = [state = radio] {
            return std::make_unique<TRadio>(std::make_unique<TFakeRadio>(state));
        };
        deps.siteHost = siteHost;
        deps.visitStatistics = false;
        window = std::make_unique<TF_Principal>(std::move(deps));
        window->FormCreate();
    }
    TF_Principal& c() { return *window; }
};

} // namespace

class TstWindow : public QObject {
    Q_OBJECT
private slots:
    void slideMovesBothPagesOnePageWidth_data();
    void slideMovesBothPagesOnePageWidth();
    void slideRefusesInvalidTargetsAndReentry();
    void clicksActAtOnceWhileTheFeedDownloads();
};

void TstWindow::slideMovesBothPagesOnePageWidth_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("direction"); // +1: the new page comes in from the right
    QTest::addRow("to the programme page") << 0 << 1 << 1;
    QTest::addRow("back home slides reversed") << 1 << 0 << -1;
}

void TstWindow::slideMovesBothPagesOnePageWidth() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, direction);
    TFixture f;
    f.c().setTabWidth(424.4);
    if (from == 1) {
        QVERIFY(f.c().GotoVisibleTab(1));
        QVERIFY(QTest::qWaitFor([&] { return !f.c().sliding(); }, 2000));
    }

    struct Frame {
        int active, fromPage, oldX, newX;
        bool sliding;
    };
    QList<Frame> frames;
    connect(&f.c(), &TF_Principal::slideChanged, this, [&] {
        frames.append({f.c().activePage(), f.c().slideFromPage(), f.c().slideOldX(),
                       f.c().slideNewX(), f.c().sliding()});
    });
    QElapsedTimer clock;
    clock.start();
    bool ended = false;
    if (to == 0)
        f.c().Layout_HomeClick();
    else
        QVERIFY(f.c().GotoVisibleTab(to, [&] { ended = true; }));
    QVERIFY(f.c().sliding()); // under way: the call does not wait for it
    QVERIFY(QTest::qWaitFor([&] { return !f.c().sliding(); }, 2000));
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 290 && took < 1000, qPrintable(QString::number(took)));
    QCOMPARE(ended, to != 0); // the step after the slide runs when it has ended

    QVERIFY(frames.size() >= 5); // animated, not a jump
    QCOMPARE(frames.first().active, to);
    QCOMPARE(frames.first().fromPage, from);
    int previousOld = 1;
    for (qsizetype i = 0; i + 1 < frames.size(); ++i) {
        const Frame& fr = frames[i];
        QVERIFY(fr.sliding);
        QCOMPARE(fr.newX - fr.oldX, direction * 424); // one page apart, whole pixels
        const int oldMoved = -direction * fr.oldX;
        QVERIFY(oldMoved >= 0 && oldMoved <= 424);
        QVERIFY(i == 0 || oldMoved >= previousOld); // one way only
        previousOld = oldMoved;
    }
    QCOMPARE(frames[frames.size() - 2].oldX, -direction * 424); // the move completes
    QVERIFY(!frames.last().sliding);
    QCOMPARE(frames.last().newX, 0);
    QCOMPARE(f.c().activePage(), to);
}

void TstWindow::slideRefusesInvalidTargetsAndReentry() {
    TFixture f;
    f.c().setTabWidth(424);
    QVERIFY(!f.c().GotoVisibleTab(-1));
    QVERIFY(!f.c().GotoVisibleTab(2));
    QVERIFY(!f.c().GotoVisibleTab(0)); // already active
    QCOMPARE(f.c().activePage(), 0);

    // While a slide runs a second request is refused, and its next step runs at once.
    QVERIFY(f.c().GotoVisibleTab(1));
    bool refusedStepRan = false;
    QVERIFY(!f.c().GotoVisibleTab(0, [&] { refusedStepRan = true; }));
    QVERIFY(refusedStepRan);
    f.c().Layout_HomeClick();
    QCOMPARE(f.c().activePage(), 1);
    QVERIFY(QTest::qWaitFor([&] { return !f.c().sliding(); }, 2000));
    QCOMPARE(f.c().activePage(), 1);
}

// Nothing holds back the listener's input during the download: each click acts when it is made
// and none is replayed when the download ends.
void TstWindow::clicksActAtOnceWhileTheFeedDownloads() {
    TSlowSite site(600);
    TFixture f(site.Host());
    f.c().setTabWidth(424);
    f.radio->ClearCalls();
    QElapsedTimer clock;
    clock.start();
    f.c().Layout_ProgramacaoClick();
    QVERIFY(clock.elapsed() < 200); // returned before the reply
    QVERIFY(f.c().content()->ProgrammeLoadRunning());

    f.c().Botao_StopClick();
    QCOMPARE(f.c().player()->stopIconIndex(), 5);
    f.c().Image_Volume_MaximoClick();
    QCOMPARE(f.c().player()->volumeValue(), 51.0);
    const QStringList callsDuringDownload = f.radio->Calls();
    QCOMPARE(callsDuringDownload, (QStringList{"SetVolume:51", "SetVolume:51"}));

    QVERIFY(QTest::qWaitFor([&] { return f.c().activePage() == 1 && !f.c().sliding(); }, 5000));
    QVERIFY(QTest::qWaitFor([&] { return !f.c().content()->ProgrammeLoadRunning(); }, 2000));
    QCOMPARE(f.radio->Calls(), callsDuringDownload);
    QCOMPARE(f.c().player()->volumeValue(), 51.0);
    QCOMPARE(f.c().player()->stopTag(), 1);
}

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
