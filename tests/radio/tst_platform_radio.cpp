#include "fake_engine.h"
#include "radio_desktop.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>
#include <thread>

namespace {

constexpr HSTREAM kStream = 7;

FakeEngine& engine() {
    return FakeEngine::instance();
}

void onStatus(QString text, int32_t progress) {
    engine().note(QStringLiteral("status %1 %2").arg(text).arg(progress));
}
void onInfo(QString name, QString bitRate) {
    engine().note(QStringLiteral("info %1|%2").arg(name, bitRate));
}
void onNotice(TStreamNotice notice) {
    engine().note(QStringLiteral("notice %1").arg(int(notice)));
}

void onMeta(QString title) {
    engine().note(QStringLiteral("meta %1").arg(title));
}

QStringList entriesStartingWith(const QString& prefix) {
    QStringList found;
    for (const QString& entry : engine().log()) {
        if (entry.startsWith(prefix))
            found << entry;
    }
    return found;
}

// A stream that is fully buffered at the first pass.
void programQuickStream(QList<HSTREAM> handles = {kStream}) {
    engine().setStreamHandles(handles);
    engine().setFilePositions(BASS_FILEPOS_END, {100});
    engine().setFilePositions(BASS_FILEPOS_BUFFER, {100});
    engine().setFilePositions(BASS_FILEPOS_CONNECTED, {1});
}

} // namespace

using Positions = QList<QWORD>;

class TstPlatformRadio : public QObject {
    Q_OBJECT

    BassApi api = FakeEngine::table();

    std::unique_ptr<TPlatformRadio> makeRadio() {
        auto radio = std::make_unique<TPlatformRadio>(api);
        radio->SetStatusProc(&onStatus);
        radio->SetBroadcastInfoProc(&onInfo);
        radio->SetBroadcastMetaProc(&onMeta);
        radio->SetStreamURL(QStringLiteral("http://127.0.0.1:8000/radiozelvorna"));
        return radio;
    }

private slots:
    void init() {
        api = FakeEngine::table();
        engine().reset();
    }

    void buffering_reportsEachPassThenCompletes_data() {
        QTest::addColumn<Positions>("end");
        QTest::addColumn<Positions>("buffered");
        QTest::addColumn<Positions>("connected");
        QTest::addColumn<QList<int>>("loading");

        QTest::addRow("ends after the first pass above 75")
            << Positions{100} << Positions{10, 40, 75, 80, 90} << Positions{1}
            << QList<int>{10, 40, 75, 80};
        QTest::addRow("percentage truncates toward zero")
            << Positions{300} << Positions{2, 230} << Positions{1} << QList<int>{0, 76};
        QTest::addRow("only the low 32 bits of the length count")
            << Positions{0x100000064ull} << Positions{80} << Positions{1} << QList<int>{80};
        QTest::addRow("unreadable length at the first pass")
            << Positions{0xFFFFFFFFull} << Positions{50} << Positions{1} << QList<int>{};
        QTest::addRow("length becomes unreadable later")
            << Positions{100, 0xFFFFFFFFull} << Positions{20} << Positions{1} << QList<int>{20};
        QTest::addRow("download ended before 75")
            << Positions{100} << Positions{10, 20, 30} << Positions{1, 0} << QList<int>{10, 20};
        QTest::addRow("zero length reports 0 and keeps waiting")
            << Positions{0, 0, 100} << Positions{5, 50, 90} << Positions{1} << QList<int>{0, 0, 90};
    }

    void buffering_reportsEachPassThenCompletes() {
        QFETCH(Positions, end);
        QFETCH(Positions, buffered);
        QFETCH(Positions, connected);
        QFETCH(QList<int>, loading);
        engine().setStreamHandles({kStream});
        engine().setFilePositions(BASS_FILEPOS_END, end);
        engine().setFilePositions(BASS_FILEPOS_BUFFER, buffered);
        engine().setFilePositions(BASS_FILEPOS_CONNECTED, connected);
        auto radio = makeRadio();

        QVERIFY(radio->Play());

        QStringList expected;
        for (int percent : loading)
            expected << QStringLiteral("status Loading... %1").arg(percent);
        expected << QStringLiteral("status Completed! 100");
        QCOMPARE(entriesStartingWith(QStringLiteral("status")), expected);
    }

    void play_callsTheEngineInOrder() {
        programQuickStream();
        engine().setTags(BASS_TAG_ICY, FakeEngine::lines({"icy-name:Radio X", "icy-br:128"}));
        engine().setTags(BASS_TAG_META, "StreamTitle='Artist - Song';StreamUrl='';");
        auto radio = makeRadio();
        radio->SetStreamURL(QStringLiteral("https://127.0.0.1:8000/rádio zelvorna"));

        QVERIFY(radio->Play());

        const QStringList expected = {
            "StreamFree(0)",
            "StreamCreateURL(0,0x80940000,null,null)",
            "status Loading... 100",
            "info Radio X|bitrate: 128",
            "meta Artist - Song",
            "ChannelSetSync(7,4,0,user)",
            "ChannelSetSync(7,6,0,user)",
            "ChannelSetSync(7,14,0,user)",
            "ChannelSetSync(7,2,0,user)",
            "ChannelPlay(7,0)",
            "status Completed! 100",
        };
        QCOMPARE(engine().log(), expected);
        QCOMPARE(engine().lastUrl(), QStringLiteral("https://127.0.0.1:8000/rádio zelvorna"));
    }

    void play_failedOpenReportsNothing_data() {
        QTest::addColumn<bool>("withCreateEntry");
        QTest::addRow("engine refuses the address") << true;
        QTest::addRow("engine lacks the entry point") << false;
    }

    void play_failedOpenReportsNothing() {
        QFETCH(bool, withCreateEntry);
        if (!withCreateEntry)
            api.BASS_StreamCreateURL = nullptr;
        engine().setStreamHandles({0});
        auto radio = makeRadio();
        radio->SetStreamURL(QString());

        QVERIFY(!radio->Play());
        radio->Pause();
        radio->UnloadRadio();

        // Only the unconditional free of the previous (absent) stream, then the attempt.
        QStringList expected = {"StreamFree(0)"};
        if (withCreateEntry)
            expected << "StreamCreateURL(0,0x80940000,null,null)";
        QCOMPARE(engine().log(), expected);
    }

    void play_secondPlayFreesTheFirstStreamBeforeConnecting() {
        programQuickStream({7, 8});
        auto radio = makeRadio();
        QVERIFY(radio->Play());
        QVERIFY(radio->Play());
        radio->Pause();
        radio->UnloadRadio();

        const QStringList engineCalls = entriesStartingWith(QStringLiteral("Stream")) +
                                        entriesStartingWith(QStringLiteral("ChannelStop"));
        const QStringList expected = {"StreamFree(0)", "StreamCreateURL(0,0x80940000,null,null)",
                                      "StreamFree(7)", "StreamCreateURL(0,0x80940000,null,null)",
                                      "StreamFree(8)", "ChannelStop(8)"};
        QCOMPARE(engineCalls, expected);
    }

    void noEngineCallsBeforeTheFirstPlay() {
        {
            auto radio = makeRadio();
            radio->SetVolume(40);
            radio->Pause();
            radio->UnloadRadio();
            QCOMPARE(radio->GetVolume(), 40.0f);
        }
        QCOMPARE(engine().callCount(), 0);
    }

    void initRadio_configuresOnlyAfterSuccessfulInit_data() {
        QTest::addColumn<int>("initResult");
        QTest::addColumn<QStringList>("expected");
        QTest::addRow("output opened")
            << 1
            << QStringList{"Init(-1,44100,0,4242,null)", "PluginLoad(libbass.dll,0x80000000)",
                           "SetConfig(21,1)", "SetConfig(15,0)"};
        QTest::addRow("output refused") << 0 << QStringList{"Init(-1,44100,0,4242,null)"};
    }

    void initRadio_configuresOnlyAfterSuccessfulInit() {
        QFETCH(int, initResult);
        QFETCH(QStringList, expected);
        engine().setInitResult(initResult);
        TPlatformRadio radio(api);

        radio.InitRadio(4242);

        QCOMPARE(engine().log(), expected);
        QCOMPARE(ARadio.load(), &radio);
    }

    void initRadio_clearsCallbacks() {
        programQuickStream();
        engine().setTags(BASS_TAG_ICY, FakeEngine::lines({"icy-name:Radio X"}));
        engine().setTags(BASS_TAG_META, "StreamTitle='Song';");
        auto radio = makeRadio();
        radio->InitRadio(0);

        QVERIFY(radio->Play());

        QCOMPARE(entriesStartingWith(QStringLiteral("status")), QStringList());
        QCOMPARE(entriesStartingWith(QStringLiteral("info")), QStringList());
        QCOMPARE(entriesStartingWith(QStringLiteral("meta")), QStringList());
    }

    void headerWalk_data() {
        QTest::addColumn<QByteArray>("icy");
        QTest::addColumn<QByteArray>("http");
        QTest::addColumn<QString>("expected"); // empty: no info report at all

        QTest::addRow("name and bit rate") << FakeEngine::lines({"icy-name:Radio X", "icy-br:128"})
                                           << QByteArray() << "info Radio X|bitrate: 128";
        QTest::addRow("leading space kept")
            << FakeEngine::lines({"icy-name: Radio X"}) << QByteArray() << "info  Radio X|Unknown!";
        QTest::addRow("upper-case name not recognised")
            << FakeEngine::lines({"ICY-NAME:Radio X", "icy-br:64"}) << QByteArray()
            << "info Unknown!|bitrate: 64";
        QTest::addRow("later line replaces earlier")
            << FakeEngine::lines({"icy-name:First", "icy-br:64", "icy-name:Second", "icy-br:96"})
            << QByteArray() << "info Second|bitrate: 96";
        QTest::addRow("other lines skipped")
            << FakeEngine::lines(
                   {"content-type:audio/mpeg", "icy-name:Radio X", "icy-metaint:16000"})
            << QByteArray() << "info Radio X|Unknown!";
        QTest::addRow("ICY headers hide the HTTP ones")
            << FakeEngine::lines({"icy-br:128"})
            << FakeEngine::lines({"HTTP/1.0 200 OK", "icy-name:Radio Y"})
            << "info Unknown!|bitrate: 128";
        QTest::addRow("HTTP headers when there are no ICY ones")
            << QByteArray()
            << FakeEngine::lines({"HTTP/1.0 200 OK", "icy-name:Radio Y", "icy-br:96"})
            << "info Radio Y|bitrate: 96";
        QTest::addRow("headers without either line") << FakeEngine::lines({"server:Icecast 2.4.4"})
                                                     << QByteArray() << "info Unknown!|Unknown!";
        QTest::addRow("UTF-8 name") << FakeEngine::lines({"icy-name:R\xc3\xa1"
                                                          "dio Zelvorna"})
                                    << QByteArray() << "info Rádio Zelvorna|Unknown!";
        QTest::addRow("Windows-1252 name") << FakeEngine::lines({"icy-name:R\xe1"
                                                                 "dio \x96 Zelvorna"})
                                           << QByteArray() << "info Rádio – Zelvorna|Unknown!";
        QTest::addRow("no headers at all") << QByteArray() << QByteArray() << QString();
    }

    void headerWalk() {
        QFETCH(QByteArray, icy);
        QFETCH(QByteArray, http);
        QFETCH(QString, expected);
        programQuickStream();
        engine().setTags(BASS_TAG_ICY, icy);
        engine().setTags(BASS_TAG_HTTP, http);
        auto radio = makeRadio();

        QVERIFY(radio->Play());

        const QStringList want = expected.isEmpty() ? QStringList() : QStringList{expected};
        QCOMPARE(entriesStartingWith(QStringLiteral("info")), want);
    }

    void title_data() {
        QTest::addColumn<QByteArray>("meta");
        QTest::addColumn<QString>("expected"); // empty: no title report at all

        QTest::addRow("quoted title")
            << QByteArray("StreamTitle='Artist - Song';StreamUrl='';") << "meta Artist - Song";
        QTest::addRow("semicolon inside the title")
            << QByteArray("StreamTitle='Rock;Pop';") << "meta Roc";
        QTest::addRow("no semicolon") << QByteArray("StreamTitle='Song'") << "meta ";
        QTest::addRow("semicolon before StreamTitle")
            << QByteArray("StreamUrl='';StreamTitle='Song';") << "meta ";
        QTest::addRow("empty title") << QByteArray("StreamTitle='';") << "meta ";
        QTest::addRow("no StreamTitle") << QByteArray("StreamUrl='x';") << QString();
        QTest::addRow("no tag") << QByteArray() << QString();
        QTest::addRow("UTF-8 title")
            << QByteArray("StreamTitle='Jo\xc3\xa3o - Can\xc3\xa7\xc3\xa3o';")
            << "meta João - Canção";
        QTest::addRow("Windows-1252 title")
            << QByteArray("StreamTitle='Jo\xe3o \x96 Can\xe7\xe3o';") << "meta João – Canção";
    }

    void title() {
        QFETCH(QByteArray, meta);
        QFETCH(QString, expected);
        programQuickStream();
        engine().setTags(BASS_TAG_META, meta);
        auto radio = makeRadio();

        QVERIFY(radio->Play());

        const QStringList want = expected.isEmpty() ? QStringList() : QStringList{expected};
        QCOMPARE(entriesStartingWith(QStringLiteral("meta")), want);
    }

    // What the engine says of the playing stream reaches the notice procedure, from the engine's
    // thread; a stream the player has replaced says nothing.
    void streamSyncs_reachTheNoticeProc_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("data");
        QTest::addColumn<int>("notice");
        QTest::addRow("connection lost")
            << BASS_SYNC_STALL << 0 << int(TStreamNotice::Reconnecting);
        QTest::addRow("connection back") << BASS_SYNC_STALL << 1 << int(TStreamNotice::Resumed);
        QTest::addRow("sound device lost")
            << BASS_SYNC_DEV_FAIL << 0 << int(TStreamNotice::NoOutput);
        QTest::addRow("sound device back")
            << BASS_SYNC_DEV_FAIL << 1 << int(TStreamNotice::OutputBack);
        QTest::addRow("stream ended") << BASS_SYNC_END << 0 << int(TStreamNotice::Ended);
    }
    void streamSyncs_reachTheNoticeProc() {
        QFETCH(int, type);
        QFETCH(int, data);
        QFETCH(int, notice);
        programQuickStream();
        auto radio = makeRadio();
        radio->SetStreamNoticeProc(&onNotice);
        QVERIFY(radio->Play());
        SYNCPROC* sync = engine().syncProcOf(DWORD(type));
        void* user = engine().syncUserOf(DWORD(type));
        QVERIFY(sync);
        std::thread([=] { sync(1, kStream, DWORD(data), user); }).join();
        std::thread([=] { sync(1, kStream + 1, DWORD(data), user); }).join(); // not the stream
        QCOMPARE(entriesStartingWith(QStringLiteral("notice")),
                 QStringList{QStringLiteral("notice %1").arg(notice)});
    }

    // The sync carries the player that registered it, so a title reaches that player even after
    // another one ran InitRadio; without user data it falls back to the latest player.
    void titleSync_reportsOnTheEngineThreadToItsOwnPlayer() {
        programQuickStream();
        auto registering = makeRadio();
        auto latest = makeRadio();
        registering->InitRadio(0);
        registering->SetBroadcastMetaProc(&onMeta);
        QVERIFY(registering->Play());
        latest->InitRadio(0);
        SYNCPROC* sync = engine().syncProcOf(BASS_SYNC_META);
        void* user = engine().syncUserOf(BASS_SYNC_META);
        QVERIFY(sync == &MetaSync);
        QCOMPARE(user, static_cast<void*>(registering.get()));

        engine().setTags(BASS_TAG_META, "StreamTitle='Next Song';");
        std::thread([sync, user] { sync(1, kStream, 0, user); }).join();
        QCOMPARE(entriesStartingWith(QStringLiteral("meta")), QStringList{"meta Next Song"});

        latest->SetBroadcastMetaProc(&onMeta);
        engine().setTags(BASS_TAG_META, "StreamTitle='Via the latest';");
        std::thread([sync] { sync(1, kStream, 0, nullptr); }).join();
        QCOMPARE(entriesStartingWith(QStringLiteral("meta")),
                 (QStringList{"meta Next Song", "meta Via the latest"}));

        // A player going away frees its stream first, so the engine calls its sync no more.
        registering.reset();
        QVERIFY(engine().log().endsWith("StreamFree(7)"));
    }

    void volume_clampsAndAppliesToCurrentAndLaterStreams_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<float>("kept");
        QTest::addColumn<QString>("gain");
        QTest::addRow("middle") << 50.0f << 50.0f << "0.5";
        QTest::addRow("silent") << 0.0f << 0.0f << "0";
        QTest::addRow("full") << 100.0f << 100.0f << "1";
        QTest::addRow("below range") << -10.0f << 0.0f << "0";
        QTest::addRow("above range") << 250.0f << 100.0f << "1";
    }

    void volume_clampsAndAppliesToCurrentAndLaterStreams() {
        QFETCH(float, value);
        QFETCH(float, kept);
        QFETCH(QString, gain);
        programQuickStream({7, 8});
        auto radio = makeRadio();
        QCOMPARE(radio->GetVolume(), 0.0f);
        QVERIFY(radio->Play());

        radio->SetVolume(value);
        QCOMPARE(radio->GetVolume(), kept);
        QVERIFY(radio->Play());

        const QStringList calls = entriesStartingWith(QStringLiteral("ChannelSetAttribute")) +
                                  entriesStartingWith(QStringLiteral("ChannelPlay"));
        const QStringList expected = {QStringLiteral("ChannelSetAttribute(7,2,%1)").arg(gain),
                                      QStringLiteral("ChannelSetAttribute(8,2,%1)").arg(gain),
                                      "ChannelPlay(7,0)", "ChannelPlay(8,0)"};
        QCOMPARE(calls, expected);
        // The new stream gets its gain before anything is heard.
        const QStringList log = engine().log();
        QVERIFY(log.indexOf(QStringLiteral("ChannelSetAttribute(8,2,%1)").arg(gain)) <
                log.indexOf("ChannelPlay(8,0)"));
    }

    void volume_untouchedUntilChosen() {
        programQuickStream();
        auto radio = makeRadio();
        QVERIFY(radio->Play());
        QCOMPARE(entriesStartingWith(QStringLiteral("ChannelSetAttribute")), QStringList());
    }

    void buffering_waitsBetweenPasses() {
        engine().setStreamHandles({kStream});
        engine().setFilePositions(BASS_FILEPOS_END, {1000});
        engine().setFilePositions(BASS_FILEPOS_BUFFER, {10});
        engine().setFilePositions(BASS_FILEPOS_CONNECTED, {1});
        auto radio = makeRadio();

        QElapsedTimer clock;
        clock.start();
        std::thread player([&radio] { radio->Play(); });
        QThread::msleep(500);
        engine().setFilePositions(BASS_FILEPOS_BUFFER, {900});
        player.join();
        const double seconds = clock.elapsed() / 1000.0;

        const int passes = engine().filePositionCalls(BASS_FILEPOS_BUFFER);
        QVERIFY2(passes >= 2, qPrintable(QString::number(passes)));
        QVERIFY2(passes < 200 * seconds,
                 qPrintable(QStringLiteral("%1 passes in %2 s").arg(passes).arg(seconds)));
    }

    void emptyTable_neverCallsAndPlayFails() {
        const BassApi empty;
        TPlatformRadio radio(empty);
        radio.InitRadio(1);
        radio.SetStatusProc(&onStatus);
        radio.SetVolume(50);
        QVERIFY(!radio.Play());
        radio.DoMeta();
        radio.Pause();
        radio.UnloadRadio();
        QCOMPARE(engine().callCount(), 0);
        QCOMPARE(engine().log(), QStringList());
    }

    void pauseOnIncomingCalls_storesFlagAndShowsNotice() {
        QStringList notices;
        TPlatformRadio::SetNoticeHook(
            [&notices](QString caption, QString text) { notices << caption + "|" + text; });
        TPlatformRadio radio(api);

        radio.PauseRadioOnIncomingCalls(true);
        QVERIFY(radio.PauseOnIncomingCalls());
        radio.PauseRadioOnIncomingCalls(false);
        QVERIFY(!radio.PauseOnIncomingCalls());

        TPlatformRadio::SetNoticeHook({});
        const QString notice = "Error!|This Method Doesnt Working On Windows OS";
        QCOMPARE(notices, QStringList({notice, notice}));
        QCOMPARE(engine().callCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TstPlatformRadio)
#include "tst_platform_radio.moc"
