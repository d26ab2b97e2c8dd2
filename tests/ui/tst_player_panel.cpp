// The player panel over a recording radio: the state table, the connection thread, the resume
// thread, status order, the volume, and a close while a connect blocks.

#include "player_panel.h"
#include "station_addresses.h"
#include "test_radios.h"
#include "worker.h"

#include <QElapsedTimer>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QTest>
#include <thread>

namespace {

const QString kHttps = "SetStreamURL:https://radio.test:8000/radiozelvorna";
const QString kHttp = "SetStreamURL:http://radio.test:8000/radiozelvorna";
const QStringList kCallbacks{"SetStatusProc", "SetBroadcastInfoProc", "SetBroadcastMetaProc",
                             "SetStreamNoticeProc"};
const QStringList kFirstAddress = kCallbacks + QStringList{kHttps, "Play"};
const QStringList kBothAddresses = kFirstAddress + QStringList{kHttp, "Play"};

// The panel the status callback reaches, as the window's reaches it through F_Principal.
TPlayerPanel* statusTarget = nullptr;

void ReportToPanel(QString, int32_t progress) {
    if (statusTarget)
        statusTarget->ReportStatus(progress);
}

void NoticeToPanel(TStreamNotice notice) {
    if (statusTarget)
        statusTarget->ReportStreamNotice(notice);
}

// A panel over the fake radio, with no window and no network.
struct TFixture {
    std::shared_ptr<TFakeRadioState> radio = std::make_shared<TFakeRadioState>();
    QStringList messages;
    QList<bool> overlayAtMessage;
    std::unique_ptr<TPlayerPanel> controller;

    TFixture() {
        TPlayerPanel::Dependencies deps;
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
        deps.streams = zelvorna::TStationAddresses::From("radio.test", {}, {}).streams;
        deps.statusProc = &ReportToPanel;
        deps.broadcastInfoProc = [](QString, QString) {};
        deps.broadcastMetaProc = [](QString) {};
        deps.streamNoticeProc = &NoticeToPanel;
        controller = std::make_unique<TPlayerPanel>(std::move(deps));
        statusTarget = controller.get();
        controller->CreateRadio(nullptr);
        controller->SetUpVolume();
    }
    ~TFixture() { statusTarget = nullptr; }

    TPlayerPanel& c() { return *controller; }

    // A press, waited for until the connection attempt it may have started has ended.
    bool PressAndWait() {
        c().PlayClick();
        return QTest::qWaitFor([&] { return !c().busy(); }, 5000);
    }

    void PushResults(const QList<bool>& results) {
        std::lock_guard lock(radio->mutex);
        radio->playResults.assign(results.begin(), results.end());
    }

    // Playing (T/F), play tag, stop tag.
    QString State() {
        return QString(c().playing() ? "T" : "F") + QString::number(c().playTag()) +
               QString::number(c().stopTag());
    }

    // Reaches a panel state through presses, as a listener would: "fresh", "stopped" (a stop on
    // a fresh window), "playing", "paused", "stopped while playing", "paused then stopped".
    bool DriveTo(const QString& route) {
        const QHash<QString, std::pair<QStringList, QString>> routes{
            {"fresh", {{}, "F00"}},
            {"stopped", {{"stop"}, "F01"}},
            {"playing", {{"play"}, "T10"}},
            {"paused", {{"play", "play"}, "T00"}},
            {"stopped while playing", {{"play", "stop"}, "F01"}},
            {"paused then stopped", {{"play", "play", "stop"}, "F01"}},
        };
        const auto [steps, state] = routes.value(route);
        for (const QString& step : steps) {
            PushResults({true});
            if (step == "stop")
                c().StopClick();
            else if (!PressAndWait())
                return false;
        }
        radio->ClearCalls();
        return State() == state;
    }
};

} // namespace

class TstPlayerPanel : public QObject {
    Q_OBJECT
private slots:
    void creationPreparesRadioAndSlider();
    void panelFollowsStateTable_data();
    void panelFollowsStateTable();
    void attemptErrorIsShownOnceAfterOverlayGoesBack();
    void statusReportsArriveInOrderBeforeConnectedStep();
    void pressesIgnoredWhileRadioBusy_data();
    void pressesIgnoredWhileRadioBusy();
    void statusLineSaysWhyPlayingCouldNotStart_data();
    void statusLineSaysWhyPlayingCouldNotStart();
    void streamNoticesReachThePanel();
    void titleIsTheHeardStreamsUntilItStops();
    void volumeClicksClampAndPassValueOn_data();
    void volumeClicksClampAndPassValueOn();
    // Shutdown is one-way for the process: keep this test last.
    void closeWhileConnectBlocksReturnsAndKeepsRadioAlive();
};

void TstPlayerPanel::creationPreparesRadioAndSlider() {
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

void TstPlayerPanel::panelFollowsStateTable_data() {
    QTest::addColumn<QString>("start"); // a route of DriveTo
    QTest::addColumn<QString>("event");
    QTest::addColumn<QList<bool>>("results");
    QTest::addColumn<QString>("end"); // Playing (T/F), play tag, stop tag
    QTest::addColumn<int>("playIcon");
    QTest::addColumn<int>("stopIcon");
    QTest::addColumn<double>("progress");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("playback"); // reached in one change, or none

    const QList<bool> none;
    QTest::addRow("first address")
        << "fresh"
        << "play" << QList<bool>{true} << "T10" << 3 << -1 << 100.0 << kFirstAddress << "Playing";
    QTest::addRow("second address") << "fresh"
                                    << "play" << QList<bool>{false, true} << "T10" << 3 << -1
                                    << 100.0 << kBothAddresses << "Playing";
    QTest::addRow("both refused") << "fresh"
                                  << "play" << QList<bool>{false, false} << "F00" << -1 << -1 << 0.0
                                  << kBothAddresses << "Stopped";
    QTest::addRow("stop before play, then play")
        << "stopped"
        << "play" << QList<bool>{true} << "T10" << 3 << 4 << 100.0 << kFirstAddress << "Playing";
    QTest::addRow("pause") << "playing"
                           << "play" << none << "T00" << 0 << -1 << 100.0 << QStringList{"Pause"}
                           << "Paused";
    // A resume connects anew behind the overlay, https first, off the main thread.
    QTest::addRow("resume") << "paused"
                            << "play" << QList<bool>{true} << "T10" << 3 << -1 << 100.0
                            << kFirstAddress << "Playing";
    QTest::addRow("failed resume shows nothing plays")
        << "paused"
        << "play" << QList<bool>{false, false} << "F00" << 0 << -1 << 100.0 << kBothAddresses
        << "Stopped";
    // A stop ends the stream for the listener: one press on play then plays.
    QTest::addRow("stop while running")
        << "playing"
        << "stop" << none << "F01" << 0 << 5 << 0.0 << QStringList{"Pause"} << "Stopped";
    QTest::addRow("stop while paused")
        << "paused"
        << "stop" << none << "F01" << 0 << 5 << 0.0 << QStringList{} << "Stopped";
    QTest::addRow("stop on a fresh window")
        << "fresh"
        << "stop" << none << "F01" << -1 << 5 << 0.0 << QStringList{} << "Stopped";
    QTest::addRow("play after a stop while running")
        << "stopped while playing"
        << "play" << QList<bool>{true} << "T10" << 3 << 4 << 100.0 << kFirstAddress << "Playing";
    QTest::addRow("pause, stop, play: playing, and the next press pauses")
        << "paused then stopped"
        << "play" << QList<bool>{true} << "T10" << 3 << 4 << 100.0 << kFirstAddress << "Playing";
}

void TstPlayerPanel::panelFollowsStateTable() {
    QFETCH(QString, start);
    QFETCH(QString, event);
    QFETCH(QList<bool>, results);
    QFETCH(QString, end);
    QFETCH(int, playIcon);
    QFETCH(int, stopIcon);
    QFETCH(double, progress);
    QFETCH(QStringList, calls);
    QFETCH(QString, playback);

    TFixture f;
    QVERIFY(f.DriveTo(start));
    const auto before = f.c().playbackState();
    QSignalSpy stateChanges(&f.c(), &TPlayerPanel::playbackStateChanged);
    f.PushResults(results);
    if (event == "stop") {
        f.c().StopClick();
    } else {
        const bool attempt = f.c().playTag() == 0;
        f.c().PlayClick();
        if (attempt) {
            // The overlay is up before the handler returns.
            QVERIFY(f.c().overlayInFront());
            QVERIFY(f.c().spinnerRunning());
            QCOMPARE(f.c().loadingText(), QString("Comunicando com o Servidor\rÉ Rapidinho..."));
            QCOMPARE(f.c().loadingText().size(), 41);
        }
        QVERIFY(QTest::qWaitFor([&] { return !f.c().busy(); }, 5000));
    }

    QCOMPARE(f.State(), end);
    QCOMPARE(f.c().playIconIndex(), playIcon);
    QCOMPARE(f.c().stopIconIndex(), stopIcon);
    QCOMPARE(f.c().progressValue(), progress);
    QCOMPARE(f.radio->Calls(), calls);
    QVERIFY(!f.c().overlayInFront());
    QVERIFY(f.messages.isEmpty());
    // The media controls hear of each real change once, never of a step on the way.
    const auto state = QMetaEnum::fromType<TPlayerPanel::PlaybackState>();
    QCOMPARE(QString(state.valueToKey(int(f.c().playbackState()))), playback);
    QCOMPARE(stateChanges.count(), f.c().playbackState() == before ? 0 : 1);
}

void TstPlayerPanel::attemptErrorIsShownOnceAfterOverlayGoesBack() {
    TFixture f;
    f.radio->throwInPlay = true;
    f.PushResults({false, false});
    f.radio->ClearCalls();
    QVERIFY(f.PressAndWait());
    QCOMPARE(f.messages, QStringList{"Falha ao abrir o fluxo"});
    QCOMPARE(f.overlayAtMessage, QList<bool>{false});
    QCOMPARE(f.radio->Calls(), kFirstAddress); // no second address after an error
    QVERIFY(!f.c().playing());
    QCOMPARE(f.c().playIconIndex(), -1);
}

void TstPlayerPanel::statusReportsArriveInOrderBeforeConnectedStep() {
    TFixture f;
    f.radio->progressOnSuccess = {5, 17, 33, 50, 76, 100};
    QStringList seen;
    connect(f.controller.get(), &TPlayerPanel::progressValueChanged, this,
            [&] { seen.append("progress " + QString::number(f.c().progressValue())); });
    connect(f.controller.get(), &TPlayerPanel::playIconIndexChanged, this,
            [&] { seen.append("icon " + QString::number(f.c().playIconIndex())); });
    f.PushResults({true});
    QVERIFY(f.PressAndWait());
    QVERIFY(f.radio->lastPlayThread != QThread::currentThread());
    QCOMPARE(seen, (QStringList{"progress 5", "progress 17", "progress 33", "progress 50",
                                "progress 76", "progress 100", "icon 3"}));
}

void TstPlayerPanel::pressesIgnoredWhileRadioBusy_data() {
    QTest::addColumn<bool>("resume"); // a resume, else a first connection attempt
    QTest::addRow("resume") << true;
    QTest::addRow("first attempt") << false;
}

// Play runs on a thread of its own in both cases; presses meanwhile never reach the radio and are
// not replayed once it has returned.
void TstPlayerPanel::pressesIgnoredWhileRadioBusy() {
    QFETCH(bool, resume);
    TFixture f;
    QVERIFY(f.DriveTo(resume ? "paused" : "fresh"));
    f.PushResults({true});
    f.radio->blockInPlay = true;
    f.c().PlayClick();
    f.radio->entered.acquire();
    QVERIFY(f.c().busy());
    f.c().PlayClick();
    f.c().StopClick();
    f.radio->release.release();
    QVERIFY(QTest::qWaitFor([&] { return !f.c().busy(); }, 5000));
    QVERIFY(f.radio->lastPlayThread != QThread::currentThread());
    QCOMPARE(f.radio->Calls(), kFirstAddress);
    QCOMPARE(f.c().playTag(), 1);
    QCOMPARE(f.c().stopTag(), 0);
    QCOMPARE(f.c().stopIconIndex(), -1);
    QCOMPARE(f.c().playIconIndex(), 3);
}

void TstPlayerPanel::statusLineSaysWhyPlayingCouldNotStart_data() {
    QTest::addColumn<int>("failure"); // TOpenFailure
    QTest::addColumn<QString>("text");
    QTest::addRow("no answer") << int(TOpenFailure::NoAnswer) << "O servidor não respondeu.";
    QTest::addRow("not audio") << int(TOpenFailure::NotAudio)
                               << "O servidor não enviou uma transmissão de áudio.";
    QTest::addRow("no sound device")
        << int(TOpenFailure::NoDevice) << "Nenhum dispositivo de som disponível.";
    QTest::addRow("unreachable") << int(TOpenFailure::Unreachable)
                                 << "Não foi possível conectar ao servidor.";
}

// One line in the status bar, no message box; the next press clears it.
void TstPlayerPanel::statusLineSaysWhyPlayingCouldNotStart() {
    QFETCH(int, failure);
    QFETCH(QString, text);
    TFixture f;
    f.radio->openFailure = TOpenFailure(failure);
    f.PushResults({false, false});
    QVERIFY(f.PressAndWait());
    QCOMPARE(f.c().statusText(), text);
    QVERIFY(f.messages.isEmpty());
    f.radio->blockInPlay = true;
    f.c().PlayClick();
    QCOMPARE(f.c().statusText(), QString());
    f.radio->release.release(2);
    QVERIFY(QTest::qWaitFor([&] { return !f.c().busy(); }, 5000));
}

// From the engine's thread: a lost connection shows in the status line until audio is back; the
// stream's end brings the panel back to where a stop leaves it, and the next press connects.
void TstPlayerPanel::streamNoticesReachThePanel() {
    TFixture f;
    QVERIFY(f.DriveTo("playing"));
    const auto tell = [&](TStreamNotice notice) {
        std::thread([&f, notice] { f.radio->noticeProc(notice); }).join();
    };
    tell(TStreamNotice::Reconnecting);
    QTRY_COMPARE(f.c().statusText(), QString::fromUtf8("Conexão perdida. Reconectando…"));
    QVERIFY(f.c().playing());
    tell(TStreamNotice::Resumed);
    QTRY_COMPARE(f.c().statusText(), QString());
    tell(TStreamNotice::NoOutput);
    QTRY_COMPARE(f.c().statusText(), QString::fromUtf8("Sem saída de som. Tentando de novo…"));
    QCOMPARE(f.c().playbackState(), TPlayerPanel::PlaybackState::Playing); // the stream goes on
    tell(TStreamNotice::OutputBack);
    QTRY_COMPARE(f.c().statusText(), QString());

    tell(TStreamNotice::Ended);
    QTRY_VERIFY(!f.c().playing());
    QCOMPARE(f.State(), QString("F00"));
    QCOMPARE(f.c().playIconIndex(), 0);
    QCOMPARE(f.c().progressValue(), 0.0);
    QVERIFY(!f.c().overlayInFront());
    QCOMPARE(f.c().statusText(), QString::fromUtf8("A transmissão terminou."));

    f.PushResults({true});
    f.c().PlayClick();
    QVERIFY(f.c().overlayInFront()); // connects anew
    QVERIFY(QTest::qWaitFor([&] { return !f.c().busy(); }, 5000));
    QCOMPARE(f.State(), QString("T10"));
}

// Titles come from the engine's thread; a stopped stream has none, and a late one stays out.
void TstPlayerPanel::titleIsTheHeardStreamsUntilItStops() {
    TFixture f;
    const auto tell = [&](const QString& title) {
        std::thread([&f, title] { f.c().ReportStreamTitle(title); }).join();
    };
    QVERIFY(f.DriveTo("playing"));
    tell("Artista - Canção");
    QTRY_COMPARE(f.c().streamTitle(), QString::fromUtf8("Artista - Canção"));
    f.c().PlayClick(); // a pause keeps what was heard
    QCOMPARE(f.c().streamTitle(), QString::fromUtf8("Artista - Canção"));
    f.c().StopClick();
    QCOMPARE(f.c().streamTitle(), QString());
    tell("Tarde demais");
    QTest::qWait(50);
    QCOMPARE(f.c().streamTitle(), QString());
}

void TstPlayerPanel::volumeClicksClampAndPassValueOn_data() {
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

void TstPlayerPanel::volumeClicksClampAndPassValueOn() {
    QFETCH(double, start);
    QFETCH(bool, louder);
    QFETCH(double, value);
    QFETCH(QStringList, calls);
    TFixture f;
    f.c().setVolumeValue(start);
    f.radio->ClearCalls();
    if (louder)
        f.c().VolumeUpClick();
    else
        f.c().VolumeDownClick();
    QCOMPARE(f.c().volumeValue(), value);
    QCOMPARE(f.radio->Calls(), calls);
}

void TstPlayerPanel::closeWhileConnectBlocksReturnsAndKeepsRadioAlive() {
    TFixture f;
    f.radio->blockInPlay = true;
    f.PushResults({true});
    f.c().PlayClick();
    f.radio->entered.acquire();

    QElapsedTimer clock;
    clock.start();
    zelvorna::TWorker::BeginShutdown(); // as the window's close does first
    f.c().Shutdown();
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
    f.c().VolumeUpClick();
    QCOMPARE(f.c().volumeValue(), 51.0);
    QCOMPARE(f.radio->Calls(), QStringList{"UnloadRadio"});
}

QTEST_GUILESS_MAIN(TstPlayerPanel)
#include "tst_player_panel.moc"
