#include "fake_radio.h"
#include "tf_principal.h"
#include "worker.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString kHttps = "SetStreamURL:https://radio.test:8000/radiozelvorna";
const QString kHttp = "SetStreamURL:http://radio.test:8000/radiozelvorna";
const QStringList kCallbacks{"SetStatusProc", "SetBroadcastInfoProc", "SetBroadcastMetaProc"};
const QStringList kFirstAddress = kCallbacks + QStringList{kHttps, "Play"};
const QStringList kBothAddresses = kFirstAddress + QStringList{kHttp, "Play"};

// A controller over the fake radio, with no window and no network.
struct TFixture {
    std::shared_ptr<TFakeRadioState> radio = std::make_shared<TFakeRadioState>();
    QStringList messages;
    QList<bool> overlayAtMessage;
    QTemporaryDir settingsDir;
    std::unique_ptr<TF_Principal> controller;

    TFixture() {
        TF_Principal::Dependencies deps;
        deps.makeRadio = [state = radio] {
            return std::make_unique<TRadio>(std::make_unique<TFakeRadio>(state));
        };
        deps.showMessage = [this](const QString& text) {
            messages.append(text);
            overlayAtMessage.append(controller->overlayInFront());
        };
        deps.showDefaultError = [this](const QString& text) {
            messages.append("default: " + text);
        };
        deps.settingsPath = settingsDir.filePath("Configuracao.ini"); // absent: no greeting
        deps.streamHost = "radio.test";
        deps.siteHost = "127.0.0.1:9";
        deps.visitStatistics = false;
        controller = std::make_unique<TF_Principal>(std::move(deps));
        controller->FormCreate();
    }

    TF_Principal& c() { return *controller; }

    void PushResults(const QList<bool>& results) {
        std::lock_guard lock(radio->mutex);
        radio->playResults.assign(results.begin(), results.end());
    }

    // A play press that starts a connection attempt, waited for until its handler has run.
    bool PressAndWaitForAttempt() {
        c().Botao_PlayClick();
        return QTest::qWaitFor([&] { return !c().spinnerRunning(); }, 5000);
    }

    // Reaches a panel state through presses, as a listener would.
    bool DriveTo(const QString& state) {
        const QHash<QString, QStringList> routes{
            {"F00", {}},
            {"F01", {"stop"}},
            {"T10", {"attempt"}},
            {"T00", {"attempt", "play"}},
            {"T11", {"attempt", "stop"}},
            {"T01", {"attempt", "play", "stop"}},
            {"F10", {"attempt", "play", "stop", "play"}},
            {"F11", {"attempt", "play", "stop", "play", "stop"}},
        };
        for (const QString& step : routes.value(state)) {
            PushResults({true});
            if (step == "attempt") {
                if (!PressAndWaitForAttempt())
                    return false;
            } else if (step == "play") {
                c().Botao_PlayClick();
            } else {
                c().Botao_StopClick();
            }
        }
        const QString reached = QString(c().playing() ? "T" : "F") +
                                QString::number(c().playTag()) + QString::number(c().stopTag());
        radio->ClearCalls();
        return reached == state;
    }
};

} // namespace

class TstController : public QObject {
    Q_OBJECT
private slots:
    void formCreatePreparesRadioAndSlider();
    void panelFollowsStateTable_data();
    void panelFollowsStateTable();
    void attemptErrorIsShownOnceAfterOverlayGoesBack();
    void statusReportsArriveInOrderBeforeConnectedStep();
    void pressesIgnoredWhileRadioBusy_data();
    void pressesIgnoredWhileRadioBusy();
    void volumeClicksClampAndPassValueOn_data();
    void volumeClicksClampAndPassValueOn();
    void slideMovesBothPagesOnePageWidth_data();
    void slideMovesBothPagesOnePageWidth();
    void slideRefusesInvalidTargetsAndReentry();
    // Shutdown is one-way for the process: keep this test last.
    void closeWhileConnectBlocksReturnsAndKeepsRadioAlive();
};

void TstController::formCreatePreparesRadioAndSlider() {
    TFixture f;
    QCOMPARE(f.radio->Calls(), (QStringList{"InitRadio", "SetVolume:50"}));
    QCOMPARE(f.c().volumeMinimum(), 0.0);
    QCOMPARE(f.c().volumeMaximum(), 100.0);
    QCOMPARE(f.c().volumeValue(), 50.0);
    QVERIFY(!f.c().playing());
    QCOMPARE(f.c().playTag(), 0);
    QCOMPARE(f.c().playIconIndex(), -1);
    QVERIFY(!f.c().overlayInFront());
    QCOMPARE(f.c().loadingText(), QString("Comunicando com o Servidor\rÉ Rapidinho"));
}

void TstController::panelFollowsStateTable_data() {
    QTest::addColumn<QString>("start"); // Playing (T/F), play tag, stop tag
    QTest::addColumn<QString>("event");
    QTest::addColumn<QList<bool>>("results");
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("playIcon");
    QTest::addColumn<int>("stopIcon");
    QTest::addColumn<double>("progress");
    QTest::addColumn<QStringList>("calls");

    const QList<bool> none;
    QTest::addRow("first address")
        << "F00"
        << "play" << QList<bool>{true} << "T10" << 3 << -1 << 100.0 << kFirstAddress;
    QTest::addRow("second address")
        << "F00"
        << "play" << QList<bool>{false, true} << "T10" << 3 << -1 << 100.0 << kBothAddresses;
    QTest::addRow("both refused") << "F00"
                                  << "play" << QList<bool>{false, false} << "F00" << -1 << -1 << 0.0
                                  << kBothAddresses;
    QTest::addRow("stop before play, then play")
        << "F01"
        << "play" << QList<bool>{true} << "T10" << 3 << 4 << 100.0 << kFirstAddress;
    QTest::addRow("attempt finds play tag 1") << "F10"
                                              << "play" << QList<bool>{true} << "T00" << 0 << 4
                                              << 100.0 << kFirstAddress + QStringList{"Pause"};
    QTest::addRow("attempt finds play tag 1 and stop state")
        << "F11"
        << "play" << QList<bool>{true} << "T00" << 0 << 4 << 100.0
        << kFirstAddress + QStringList{"Pause"};
    QTest::addRow("pause") << "T10"
                           << "play" << none << "T00" << 0 << -1 << 100.0 << QStringList{"Pause"};
    QTest::addRow("resume") << "T00"
                            << "play" << QList<bool>{true} << "T10" << 3 << -1 << 100.0
                            << QStringList{"Play"};
    QTest::addRow("failed resume keeps pause icon")
        << "T00"
        << "play" << QList<bool>{false} << "T10" << 3 << -1 << 100.0 << QStringList{"Play"};
    QTest::addRow("play in stop state while running")
        << "T11"
        << "play" << none << "F00" << 0 << 4 << 0.0 << QStringList{"Pause"};
    QTest::addRow("resume in stop state")
        << "T01"
        << "play" << QList<bool>{true} << "F10" << 3 << 4 << 100.0 << QStringList{"Play"};
    QTest::addRow("stop while running")
        << "T10"
        << "stop" << none << "T11" << 0 << 5 << 0.0 << QStringList{"Pause"};
    QTest::addRow("stop while paused") << "T00"
                                       << "stop" << none << "T01" << 0 << 5 << 0.0 << QStringList{};
    QTest::addRow("stop on a fresh window")
        << "F00"
        << "stop" << none << "F01" << -1 << 5 << 0.0 << QStringList{};
}

void TstController::panelFollowsStateTable() {
    QFETCH(QString, start);
    QFETCH(QString, event);
    QFETCH(QList<bool>, results);
    QFETCH(QString, end);
    QFETCH(int, playIcon);
    QFETCH(int, stopIcon);
    QFETCH(double, progress);
    QFETCH(QStringList, calls);

    TFixture f;
    QVERIFY(f.DriveTo(start));
    f.PushResults(results);
    if (event == "stop") {
        f.c().Botao_StopClick();
    } else if (f.c().playing()) {
        f.c().Botao_PlayClick();
    } else {
        f.c().Botao_PlayClick();
        // The overlay is up before the handler returns.
        QVERIFY(f.c().overlayInFront());
        QVERIFY(f.c().spinnerRunning());
        QCOMPARE(f.c().loadingText(), QString("Comunicando com o Servidor\rÉ Rapidinho..."));
        QCOMPARE(f.c().loadingText().size(), 41);
        QVERIFY(QTest::qWaitFor([&] { return !f.c().spinnerRunning(); }, 5000));
    }

    const QString reached = QString(f.c().playing() ? "T" : "F") +
                            QString::number(f.c().playTag()) + QString::number(f.c().stopTag());
    QCOMPARE(reached, end);
    QCOMPARE(f.c().playIconIndex(), playIcon);
    QCOMPARE(f.c().stopIconIndex(), stopIcon);
    QCOMPARE(f.c().progressValue(), progress);
    QCOMPARE(f.radio->Calls(), calls);
    QVERIFY(!f.c().overlayInFront());
    QVERIFY(f.messages.isEmpty());
}

void TstController::attemptErrorIsShownOnceAfterOverlayGoesBack() {
    TFixture f;
    f.radio->throwInPlay = true;
    f.PushResults({false, false});
    f.radio->ClearCalls();
    QVERIFY(f.PressAndWaitForAttempt());
    QCOMPARE(f.messages, QStringList{"Falha ao abrir o fluxo"});
    QCOMPARE(f.overlayAtMessage, QList<bool>{false});
    QCOMPARE(f.radio->Calls(), kFirstAddress); // no second address after an error
    QVERIFY(!f.c().playing());
    QCOMPARE(f.c().playIconIndex(), -1);
}

void TstController::statusReportsArriveInOrderBeforeConnectedStep() {
    TFixture f;
    f.radio->progressOnSuccess = {5, 17, 33, 50, 76, 100};
    QStringList seen;
    connect(f.controller.get(), &TF_Principal::progressValueChanged, this,
            [&] { seen.append("progress " + QString::number(f.c().progressValue())); });
    connect(f.controller.get(), &TF_Principal::playIconIndexChanged, this,
            [&] { seen.append("icon " + QString::number(f.c().playIconIndex())); });
    f.PushResults({true});
    QVERIFY(f.PressAndWaitForAttempt());
    QVERIFY(f.radio->lastPlayThread != QThread::currentThread());
    QCOMPARE(seen, (QStringList{"progress 5", "progress 17", "progress 33", "progress 50",
                                "progress 76", "progress 100", "icon 3"}));
}

void TstController::pressesIgnoredWhileRadioBusy_data() {
    QTest::addColumn<bool>("resume"); // resume on the main thread, else a connection attempt
    QTest::addRow("resume on the main thread") << true;
    QTest::addRow("connection attempt") << false;
}

void TstController::pressesIgnoredWhileRadioBusy() {
    QFETCH(bool, resume);
    TFixture f;
    QVERIFY(f.DriveTo(resume ? "T00" : "F00"));
    f.PushResults({true});
    if (resume) {
        // The radio processes window messages while it buffers: presses arrive inside Play.
        f.radio->duringPlay = [&] {
            f.c().Botao_PlayClick();
            f.c().Botao_StopClick();
        };
        f.c().Botao_PlayClick();
    } else {
        f.radio->blockInPlay = true;
        f.c().Botao_PlayClick();
        f.radio->entered.acquire();
        f.c().Botao_PlayClick();
        f.c().Botao_StopClick();
        f.radio->release.release();
        QVERIFY(QTest::qWaitFor([&] { return !f.c().spinnerRunning(); }, 5000));
    }
    QCOMPARE(f.radio->Calls(), resume ? QStringList{"Play"} : kFirstAddress);
    QCOMPARE(f.c().playTag(), 1);
    QCOMPARE(f.c().stopTag(), 0);
    QCOMPARE(f.c().stopIconIndex(), -1);
    QCOMPARE(f.c().playIconIndex(), 3);
}

void TstController::volumeClicksClampAndPassValueOn_data() {
    QTest::addColumn<double>("start");
    QTest::addColumn<bool>("louder");
    QTest::addColumn<double>("value");
    QTest::addColumn<QStringList>("calls"); // tracking on a real change, then the click's own

    QTest::addRow("louder by one")
        << 50.0 << true << 51.0 << QStringList{"SetVolume:51", "SetVolume:51"};
    QTest::addRow("louder keeps the fraction")
        << 20.25 << true << 21.25 << QStringList{"SetVolume:21.25", "SetVolume:21.25"};
    QTest::addRow("louder from 99.5")
        << 99.5 << true << 100.0 << QStringList{"SetVolume:100", "SetVolume:100"};
    QTest::addRow("louder at 100") << 100.0 << true << 100.0 << QStringList{"SetVolume:100"};
    QTest::addRow("quieter by one")
        << 50.0 << false << 49.0 << QStringList{"SetVolume:49", "SetVolume:49"};
    QTest::addRow("quieter from 0.5")
        << 0.5 << false << 0.0 << QStringList{"SetVolume:0", "SetVolume:0"};
    QTest::addRow("quieter at 0") << 0.0 << false << 0.0 << QStringList{"SetVolume:0"};
}

void TstController::volumeClicksClampAndPassValueOn() {
    QFETCH(double, start);
    QFETCH(bool, louder);
    QFETCH(double, value);
    QFETCH(QStringList, calls);
    TFixture f;
    f.c().setVolumeValue(start);
    f.radio->ClearCalls();
    if (louder)
        f.c().Image_Volume_MaximoClick();
    else
        f.c().Image_Volume_MinimoClick();
    QCOMPARE(f.c().volumeValue(), value);
    QCOMPARE(f.radio->Calls(), calls);
}

void TstController::slideMovesBothPagesOnePageWidth_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("direction"); // +1: the new page comes in from the right
    QTest::addRow("to the programme page") << 0 << 1 << 1;
    QTest::addRow("back home slides reversed") << 1 << 0 << -1;
}

void TstController::slideMovesBothPagesOnePageWidth() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, direction);
    TFixture f;
    f.c().setTabWidth(424.4);
    if (from == 1)
        QVERIFY(f.c().GotoVisibleTab(1));

    struct Frame {
        int active, fromPage, oldX, newX;
        bool sliding;
    };
    QList<Frame> frames;
    connect(f.controller.get(), &TF_Principal::slideChanged, this, [&] {
        frames.append({f.c().activePage(), f.c().slideFromPage(), f.c().slideOldX(),
                       f.c().slideNewX(), f.c().sliding()});
    });
    QElapsedTimer clock;
    clock.start();
    QVERIFY(to == 0 ? (f.c().Layout_HomeClick(), f.c().activePage() == 0)
                    : f.c().GotoVisibleTab(to));
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 290 && took < 1000, qPrintable(QString::number(took)));

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

void TstController::slideRefusesInvalidTargetsAndReentry() {
    TFixture f;
    f.c().setTabWidth(424);
    QVERIFY(!f.c().GotoVisibleTab(-1));
    QVERIFY(!f.c().GotoVisibleTab(2));
    QVERIFY(!f.c().GotoVisibleTab(0)); // already active
    QCOMPARE(f.c().activePage(), 0);

    // While a slide runs the window keeps taking events; a second request is refused.
    QList<bool> answers;
    QTimer::singleShot(100, this, [&] {
        answers.append(f.c().sliding());
        answers.append(f.c().GotoVisibleTab(0));
        f.c().Layout_HomeClick();
        answers.append(f.c().activePage() == 1);
    });
    QVERIFY(f.c().GotoVisibleTab(1));
    QCOMPARE(answers, (QList<bool>{true, false, true}));
    QCOMPARE(f.c().activePage(), 1);
    QVERIFY(!f.c().sliding());
}

void TstController::closeWhileConnectBlocksReturnsAndKeepsRadioAlive() {
    TFixture f;
    f.radio->blockInPlay = true;
    f.PushResults({true});
    f.c().Botao_PlayClick();
    f.radio->entered.acquire();

    QElapsedTimer clock;
    clock.start();
    f.c().FormClose();
    QVERIFY(clock.elapsed() < 2000);
    QVERIFY(!f.c().Player_Radio_Zelvorna);
    QCOMPARE(f.radio->destroyed, 0); // the connection thread still holds it

    f.radio->ClearCalls();
    f.radio->release.release();
    QVERIFY(QTest::qWaitFor([&] { return f.radio->destroyed == 1; }, 5000));
    // Nothing but the radio's own teardown after the close: no second address, no connected
    // step, no termination handler.
    QCOMPARE(f.radio->Calls(), QStringList{"UnloadRadio"});
    QCOMPARE(f.c().playIconIndex(), -1);
    QVERIFY(f.messages.isEmpty());

    // Without a radio the volume clicks only move the slider.
    f.c().Image_Volume_MaximoClick();
    QCOMPARE(f.c().volumeValue(), 51.0);
    QCOMPARE(f.radio->Calls(), QStringList{"UnloadRadio"});
}

QTEST_GUILESS_MAIN(TstController)
#include "tst_controller.moc"
