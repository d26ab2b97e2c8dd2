// The engine's entry points against the scripted loopback server: what connects and what not,
// tags, buffer figures, aborting a connect, titles in the order they are heard.
#include "engine_test_server.h"
#include "stream_engine.h"

#include <QtTest>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

struct TitleLog {
    std::mutex mutex;
    QStringList titles;
    QList<double> heardAt; // seconds of audio played when the title was reported
    std::atomic<int> foreignThreadCalls{0};
    std::thread::id testThread = std::this_thread::get_id();
};

void collectTitle(HSYNC, DWORD channel, DWORD, void* user) {
    auto& log = *static_cast<TitleLog*>(user);
    if (std::this_thread::get_id() != log.testThread)
        ++log.foreignThreadCalls;
    const char* meta = BASS_ChannelGetTags(channel, BASS_TAG_META);
    const double played = double(BASS_ChannelGetPosition(channel, BASS_POS_BYTE)) / (44100 * 8);
    std::lock_guard lock(log.mutex);
    log.titles << QString::fromUtf8(meta ? meta : "(null)");
    log.heardAt << played;
}

QStringList tagLines(const char* tags) {
    QStringList lines;
    for (const char* p = tags; p && *p; p += strlen(p) + 1)
        lines << QString::fromLatin1(p);
    return lines;
}

} // namespace

class TstEngineStream : public QObject {
    Q_OBJECT

    IcyServer server;

    HSTREAM open(const QByteArray& url) {
        return BASS_StreamCreateURL(url.constData(), 0, BASS_STREAM_BLOCK | BASS_STREAM_STATUS,
                                    nullptr, nullptr);
    }

private slots:
    void initTestCase() {
        QVERIFY(server.start());
        QVERIFY(BASS_Init(-1, 44100, 0, nullptr, nullptr));
        QVERIFY(BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1));
        QVERIFY(BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0));
    }

    void cleanupTestCase() { BASS_Free(); }

    void connectsOnlyToDecodableAudio_data() {
        QTest::addColumn<QByteArray>("url");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("maxMs");
        QTest::addRow("ICY reply") << server.url("/icy") << true << BASS_OK << 2000;
        QTest::addRow("HTTP/1.0 reply") << server.url("/http") << true << BASS_OK << 2000;
        QTest::addRow("redirect") << server.url("/redirect") << true << BASS_OK << 2000;
        QTest::addRow("pls playlist") << server.url("/list.pls") << true << BASS_OK << 2000;
        QTest::addRow("m3u, relative entry") << server.url("/list.m3u") << true << BASS_OK << 2000;
        QTest::addRow("404") << server.url("/missing") << false << BASS_ERROR_FILEOPEN << 2000;
        QTest::addRow("text/html") << server.url("/page") << false << BASS_ERROR_FILEFORM << 2000;
        QTest::addRow("closed port")
            << QByteArray("http://127.0.0.1:" + QByteArray::number(ScriptServer::freePort()) + "/x")
            << false << BASS_ERROR_FILEOPEN << 2000;
        QTest::addRow("TLS on the plain port")
            << server.url("/icy", "https") << false << BASS_ERROR_SSL << 800;
        // localhost is tried on ::1 first, where nothing listens, then on 127.0.0.1.
        QTest::addRow("TLS on the plain port of a dual-stack name")
            << server.url("/icy", "https").replace("127.0.0.1", "localhost") << false
            << BASS_ERROR_SSL << 800;
        QTest::addRow("not a web address")
            << QByteArray("file:///etc/hostname") << false << BASS_ERROR_FILEOPEN << 2000;
        // Bad streams end within their deadlines instead of holding the caller.
        QTest::addRow("200 with a body of noise")
            << server.url("/noise") << false << BASS_ERROR_FILEFORM << 5500;
        QTest::addRow("no reply at all")
            << server.url("/silent") << false << BASS_ERROR_TIMEOUT << 11000;
        QTest::addRow("field names in capitals")
            << server.url("/capsname") << true << BASS_OK << 2000;
    }

    void connectsOnlyToDecodableAudio() {
        QFETCH(QByteArray, url);
        QFETCH(bool, opens);
        QFETCH(int, error);
        QFETCH(int, maxMs);
        QElapsedTimer timer;
        timer.start();
        const HSTREAM h = open(url);
        const qint64 took = timer.elapsed();
        QVERIFY2(took < maxMs, qPrintable(QString::number(took)));
        QCOMPARE(h != 0, opens);
        QCOMPARE(BASS_ErrorGetCode(), error);
        if (h) {
            QCOMPARE(BASS_StreamFree(h), 1);
            QCOMPARE(BASS_StreamFree(h), 0); // stale now
        }
    }

    void tagsFollowTheKindOfReply() {
        const HSTREAM icy = open(server.url("/list.pls")); // playlist to an ICY reply
        QVERIFY(icy);
        QVERIFY(!BASS_ChannelGetTags(icy, BASS_TAG_HTTP));
        const QStringList icyLines = tagLines(BASS_ChannelGetTags(icy, BASS_TAG_ICY));
        QVERIFY(icyLines.contains("icy-name:Zelvorna Test"));
        QVERIFY(icyLines.contains("icy-br:128"));
        QVERIFY(!icyLines.join('|').contains("ICY 200"));
        BASS_StreamFree(icy);

        const HSTREAM http = open(server.url("/redirect"));
        QVERIFY(http);
        QVERIFY(!BASS_ChannelGetTags(http, BASS_TAG_ICY));
        const QStringList httpLines = tagLines(BASS_ChannelGetTags(http, BASS_TAG_HTTP));
        QCOMPARE(httpLines.value(0), "HTTP/1.0 200 OK"); // the final reply, not the 302
        QVERIFY(httpLines.contains("icy-name:Zelvorna HTTP"));
        QVERIFY(!httpLines.join('|').contains("Location"));
        BASS_StreamFree(http);
    }

    void bufferFillsBeforePlayAndStaleHandlesAreHarmless() {
        const HSTREAM h = open(server.url("/icy"));
        QVERIFY(h);
        const QWORD end = BASS_StreamGetFilePosition(h, BASS_FILEPOS_END);
        QVERIFY(end >= 4096 && end <= 65536);
        QCOMPARE(BASS_StreamGetFilePosition(h, BASS_FILEPOS_CONNECTED), QWORD(1));
        QTRY_VERIFY_WITH_TIMEOUT(
            BASS_StreamGetFilePosition(h, BASS_FILEPOS_BUFFER) * 100 / end > 75, 2000);
        QVERIFY(BASS_StreamGetFilePosition(h, BASS_FILEPOS_BUFFER) <= end);
        QVERIFY(!BASS_ChannelGetTags(h, BASS_TAG_META)); // nothing heard yet
        BASS_StreamFree(h);
        for (DWORD mode : {BASS_FILEPOS_END, BASS_FILEPOS_BUFFER, BASS_FILEPOS_CONNECTED})
            QCOMPARE(BASS_StreamGetFilePosition(h, mode), ~QWORD(0));
        QVERIFY(!BASS_ChannelGetTags(h, BASS_TAG_ICY));
        QCOMPARE(BASS_ChannelPlay(h, 0), 0);
        QCOMPARE(BASS_ChannelStop(h), 0);
        QCOMPARE(BASS_StreamFree(0), 0);
    }

    void freeAbortsABlockedConnect_data() {
        QTest::addColumn<bool>("wholeEngine");
        QTest::addRow("BASS_StreamFree of the handle") << false;
        QTest::addRow("BASS_Free") << true;
    }

    void freeAbortsABlockedConnect() {
        QFETCH(bool, wholeEngine);
        std::atomic<HSTREAM> result{1};
        std::atomic<bool> returned{false};
        QElapsedTimer sinceAbort;
        std::thread connecting([&] {
            result = open(server.url("/silent"));
            returned = true;
        });
        QTest::qWait(300);
        QVERIFY(!returned);
        sinceAbort.start();
        if (wholeEngine) {
            QVERIFY(BASS_Free());
        } else {
            // Handles count up from 1 and are allocated when the call starts: try the recent ones.
            for (DWORD h = 1; h < 1000; ++h)
                BASS_StreamFree(h);
        }
        QTRY_VERIFY_WITH_TIMEOUT(returned, 1000);
        QVERIFY(sinceAbort.elapsed() < 1000);
        connecting.join();
        QCOMPARE(result.load(), HSTREAM(0));
        if (wholeEngine) {
            QCOMPARE(open(server.url("/http")), HSTREAM(0)); // no engine until the next init
            QCOMPARE(BASS_ErrorGetCode(), BASS_ERROR_INIT);
            QVERIFY(BASS_Init(-1, 44100, 0, nullptr, nullptr));
            BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
        }
    }

    void titlesAreReportedAsTheyAreHeard() {
        // The server bursts three seconds ahead; its title blocks sit at 0.5 s, 1.5 s, 2.5 s...
        // of audio. Each must be reported when that audio plays, not when it is downloaded.
        const HSTREAM h = open(server.url("/icy"));
        QVERIFY(h);
        TitleLog log;
        const auto freeFirst = qScopeGuard([h] { BASS_StreamFree(h); }); // before log goes
        QVERIFY(BASS_ChannelSetSync(h, BASS_SYNC_META, 0, &collectTitle, &log));
        QCOMPARE(BASS_ChannelSetSync(h, 99, 0, &collectTitle, &log), HSYNC(0));
        QVERIFY(BASS_ChannelPlay(h, 0));
        QTRY_VERIFY_WITH_TIMEOUT(log.heardAt.size() >= 3, 6000);
        BASS_StreamFree(h);
        std::lock_guard lock(log.mutex);
        for (int i = 0; i < log.titles.size(); ++i) {
            QCOMPARE(log.titles[i], QString("StreamTitle='Song %1';StreamUrl='';").arg(i + 1));
            QVERIFY2(qAbs(log.heardAt[i] - (i + 0.5)) < 0.3,
                     qPrintable(QString::number(log.heardAt[i])));
        }
        QCOMPARE(log.foreignThreadCalls.load(), log.titles.size());
    }

    // Ogg stations carry each song's title in its own comments (chained Ogg): reported as the
    // ICY title the radio reads, when that song is heard.
    void oggTitlesAreReportedAsTheyAreHeard_data() {
        QTest::addColumn<QByteArray>("path");
        QTest::addRow("Vorbis") << QByteArray("/chain/vorbis");
        QTest::addRow("Opus") << QByteArray("/chain/opus");
    }
    void oggTitlesAreReportedAsTheyAreHeard() {
        QFETCH(QByteArray, path);
        const HSTREAM h = open(server.url(path.constData()));
        QVERIFY(h);
        TitleLog log;
        const auto freeFirst = qScopeGuard([h] { BASS_StreamFree(h); }); // before log goes
        QVERIFY(BASS_ChannelSetSync(h, BASS_SYNC_META, 0, &collectTitle, &log));
        QVERIFY(BASS_ChannelPlay(h, 0));
        QTRY_VERIFY_WITH_TIMEOUT(log.heardAt.size() >= 2, 6000);
        BASS_StreamFree(h);
        std::lock_guard lock(log.mutex);
        const QStringList expected{QString::fromUtf8("StreamTitle='Zelvorna Trio - Canção 1';"),
                                   QString::fromUtf8("StreamTitle='Zelvorna Trio - Canção 2';")};
        QCOMPARE(log.titles, expected);
        // The second song starts 1.5 s into the audio.
        QVERIFY2(log.heardAt[0] < 0.3, qPrintable(QString::number(log.heardAt[0])));
        QVERIFY2(qAbs(log.heardAt[1] - 1.5) < 0.4, qPrintable(QString::number(log.heardAt[1])));
    }

    void unicodeAddressAndAutoFree() {
        // A 2 s file: with BASS_STREAM_AUTOFREE the stream frees itself once it has been heard.
        const QString url = QString::fromLatin1(server.url("/short?t=Can%C3%A7%C3%A3o"));
        const HSTREAM h = BASS_StreamCreateURL(url.utf16(), 0, BASS_UNICODE | BASS_STREAM_AUTOFREE,
                                               nullptr, nullptr);
        QVERIFY(h);
        QVERIFY(BASS_ChannelPlay(h, 0));
        QTest::qWait(1000);
        QCOMPARE(BASS_StreamGetFilePosition(h, BASS_FILEPOS_CONNECTED), QWORD(0));
        QTRY_COMPARE_WITH_TIMEOUT(BASS_StreamGetFilePosition(h, BASS_FILEPOS_END), ~QWORD(0), 4000);
        QCOMPARE(BASS_StreamFree(h), 0);
    }
};

QTEST_GUILESS_MAIN(TstEngineStream)
#include "tst_engine_stream.moc"
