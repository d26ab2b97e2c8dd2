// The engine against a real Icecast2 (scripts/icecast_station.py on a free port), serving https
// and http on the one port as the station's server does.
#include "engine_test_server.h"
#include "stream_engine.h"

#include <QFile>
#include <QtTest>

#include <mutex>

namespace {

struct Titles {
    std::mutex mutex;
    QStringList seen;
};

void onTitle(HSYNC, DWORD channel, DWORD, void* user) {
    auto& titles = *static_cast<Titles*>(user);
    const char* meta = BASS_ChannelGetTags(channel, BASS_TAG_META);
    std::lock_guard lock(titles.mutex);
    titles.seen << QString::fromUtf8(meta ? meta : "(null)");
}

QStringList tagLines(const char* tags) {
    QStringList lines;
    for (const char* p = tags; p && *p; p += strlen(p) + 1)
        lines << QString::fromUtf8(p);
    return lines;
}

bool mapped(const char* library) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

int songNumber(const QString& meta) {
    static const QRegularExpression song(
        QString::fromUtf8("StreamTitle='Zelvorna Trio - Canção (\\d+)';"));
    const auto match = song.match(meta);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

class TstEngineIcecast : public QObject {
    Q_OBJECT

    ScriptServer station;
    ScriptServer website; // https with a certificate of its own, which nobody vouches for
    QByteArray url;
    QString port;

private slots:
    void initTestCase() {
        port = QString::number(ScriptServer::freePort());
        QVERIFY(station.start("scripts/icecast_station.py",
                              {"--port", port, "--title-interval", "2", "--workdir",
                               ENGINE_TEST_CACHE "/icecast", "--tls"},
                              "READY (\\S+)", 60000));
        url = station.captured().toLatin1();
        QVERIFY(website.start("scripts/demo_web.py",
                              {"--port", QString::number(ScriptServer::freePort()), "--workdir",
                               ENGINE_TEST_CACHE "/web"},
                              "READY \\S+ (https://\\S+)", 30000));
        QVERIFY(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    }

    void cleanupTestCase() {
        BASS_Free();
        website.stop();
        station.stop();
    }

    // Runs first: nothing has opened a stream yet.
    void networkAndDecodingLibrariesLoadWithTheFirstStream() {
        QVERIFY2(!mapped("libzelvorna-engine-core") && !mapped("libavcodec") && !mapped("libcurl"),
                 "loaded before any stream opened");
        const HSTREAM h = BASS_StreamCreateURL(url.constData(), 0, 0, nullptr, nullptr);
        QVERIFY(h);
        BASS_StreamFree(h);
        QVERIFY(mapped("libzelvorna-engine-core") && mapped("libavcodec") && mapped("libcurl"));
    }

    void onePortServesHttpsAndHttp_data() {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<bool>("plays");
        QTest::addColumn<QString>("listenerLine");
        const QByteArray mount = ":" + port.toLatin1() + "/radiozelvorna";
#ifdef ZELVORNA_DEMO_STATION
        QTest::addRow("https with the demo station's certificate")
            << "https://localhost" + mount << true << "LISTENER https";
#endif
        QTest::addRow("http on the same port")
            << "http://localhost" + mount << true << "LISTENER http\n";
        QTest::addRow("https with a certificate nobody vouches for")
            << (website.captured() + "/programacao.json").toLatin1() << false << QString();
    }

    void onePortServesHttpsAndHttp() {
        QFETCH(QByteArray, address);
        QFETCH(bool, plays);
        QFETCH(QString, listenerLine);
        const int linesBefore = station.output().count(listenerLine);
        QElapsedTimer timer;
        timer.start();
        const HSTREAM h = BASS_StreamCreateURL(address.constData(), 0, 0, nullptr, nullptr);
        const auto freeIt = qScopeGuard([h] { BASS_StreamFree(h); });
        if (!plays) {
            QCOMPARE(h, HSTREAM(0));
            QCOMPARE(BASS_ErrorGetCode(), BASS_ERROR_SSL);
            QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
            return;
        }
        QVERIFY2(h, qPrintable(QString::number(BASS_ErrorGetCode())));
        QVERIFY(BASS_ChannelPlay(h, 0));
        QTRY_VERIFY_WITH_TIMEOUT(BASS_ChannelGetPosition(h, BASS_POS_BYTE) > 0, 2000);
        QCOMPARE(station.output().count(listenerLine), linesBefore + 1);
    }

    void icecastHeadersAreHttpTags() {
        const HSTREAM h = BASS_StreamCreateURL(url.constData(), 0, 0, nullptr, nullptr);
        QVERIFY(h);
        QVERIFY(!BASS_ChannelGetTags(h, BASS_TAG_ICY));
        const QStringList lines = tagLines(BASS_ChannelGetTags(h, BASS_TAG_HTTP));
        QCOMPARE(lines.value(0), "HTTP/1.0 200 OK");
        QVERIFY(lines.contains(QString::fromUtf8("icy-name:Rádio Zelvorna")));
        QVERIFY(lines.contains("icy-br:128"));
        BASS_StreamFree(h);
    }

    void startsQuicklyAndReportsTitleChangesInOrder() {
        QElapsedTimer timer;
        timer.start();
        const HSTREAM h = BASS_StreamCreateURL(url.constData(), 0, 0, nullptr, nullptr);
        QVERIFY(h);
        const QWORD end = BASS_StreamGetFilePosition(h, BASS_FILEPOS_END);
        QTRY_VERIFY_WITH_TIMEOUT(
            BASS_StreamGetFilePosition(h, BASS_FILEPOS_BUFFER) * 100 / end > 75, 3000);
        Titles titles;
        const auto freeFirst = qScopeGuard([h] { BASS_StreamFree(h); });
        QVERIFY(BASS_ChannelSetSync(h, BASS_SYNC_META, 0, &onTitle, &titles));
        QVERIFY(BASS_ChannelPlay(h, 0));
        QTRY_VERIFY_WITH_TIMEOUT(BASS_ChannelGetPosition(h, BASS_POS_BYTE) > 0, 2000);
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(titles.seen.size() >= 3, 12000);
        BASS_StreamFree(h);
        std::lock_guard lock(titles.mutex);
        for (int i = 0; i < titles.seen.size(); ++i) {
            QVERIFY2(songNumber(titles.seen[i]) > 0, qPrintable(titles.seen[i]));
            if (i > 0)
                QCOMPARE(songNumber(titles.seen[i]), songNumber(titles.seen[i - 1]) + 1);
        }
    }
};

QTEST_GUILESS_MAIN(TstEngineIcecast)
#include "tst_engine_icecast.moc"
