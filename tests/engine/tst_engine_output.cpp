// What reaches the device: SDL's disk driver writes the exact float PCM of the mix.
#include "engine_test_server.h"
#include "stream_engine.h"

#include <QtTest>

#include <QMutex>
#include <QRegularExpression>

#include <atomic>
#include <cmath>

namespace {

constexpr int kRate = 44100;
constexpr int kFrameBytes = 8; // stereo float32

struct Measure {
    double frequency = 0; // left channel, from zero crossings
    float peakLeft = 0, peakRight = 0;
};

// Frames [from, to) of the captured output.
Measure measure(const QByteArray& pcm, qint64 from, qint64 to) {
    const auto* samples = reinterpret_cast<const float*>(pcm.constData());
    to = qMin(to, qint64(pcm.size() / kFrameBytes));
    Measure m;
    int crossings = 0;
    for (qint64 i = from; i < to; ++i) {
        m.peakLeft = qMax(m.peakLeft, std::fabs(samples[2 * i]));
        m.peakRight = qMax(m.peakRight, std::fabs(samples[2 * i + 1]));
        if (i > from && (samples[2 * i] >= 0) != (samples[2 * (i - 1)] >= 0))
            ++crossings;
    }
    m.frequency = to > from ? crossings / 2.0 / (double(to - from) / kRate) : 0;
    return m;
}

qint64 framesWritten(const QString& path) {
    return QFileInfo(path).size() / kFrameBytes;
}

// Longest run of silent frames after the first sound, in seconds.
double longestSilence(const QByteArray& pcm) {
    const auto* samples = reinterpret_cast<const float*>(pcm.constData());
    const qint64 frames = pcm.size() / kFrameBytes;
    qint64 longest = 0, run = 0;
    bool heard = false;
    for (qint64 i = 0; i < frames; ++i) {
        if (std::fabs(samples[2 * i]) > 1e-3f) {
            heard = true;
            run = 0;
        } else if (heard) {
            longest = qMax(longest, ++run);
        }
    }
    return double(longest) / kRate;
}

// Titles and the end notice as the engine's dispatcher reports them.
struct Notices {
    QMutex mutex;
    QStringList titles;
    QList<int> stalls; // the data of each stall notice
    std::atomic<bool> ended{false};
};

void onTitle(HSYNC, DWORD channel, DWORD, void* user) {
    auto& n = *static_cast<Notices*>(user);
    const char* meta = BASS_ChannelGetTags(channel, BASS_TAG_META);
    const QMutexLocker lock(&n.mutex);
    n.titles << QString::fromUtf8(meta ? meta : "");
}

void onStall(HSYNC, DWORD, DWORD data, void* user) {
    auto& n = *static_cast<Notices*>(user);
    const QMutexLocker lock(&n.mutex);
    n.stalls << int(data);
}

void onEnd(HSYNC, DWORD, DWORD, void* user) {
    static_cast<Notices*>(user)->ended = true;
}

// The song numbers of "StreamTitle='Song N';..." titles, in the order reported.
QList<int> songNumbers(const QStringList& titles) {
    QList<int> numbers;
    static const QRegularExpression song("Song (\\d+)");
    for (const QString& title : titles)
        if (const auto match = song.match(title); match.hasMatch())
            numbers << match.captured(1).toInt();
    return numbers;
}

qint64 residentKb() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

} // namespace

class TstEngineOutput : public QObject {
    Q_OBJECT

    IcyServer server;
    QTemporaryDir dir;
    QString capture;

    HSTREAM startCapture(const char* path, float volume, Notices* notices = nullptr,
                         DWORD flags = 0) {
        capture = dir.filePath(QString("out-%1.raw").arg(QRandomGenerator::global()->generate()));
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", capture.toLocal8Bit());
        if (!BASS_Init(-1, 44100, 0, nullptr, nullptr))
            return 0;
        const HSTREAM h =
            BASS_StreamCreateURL(server.url(path).constData(), 0, flags, nullptr, nullptr);
        if (h) {
            BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, volume);
            if (notices) {
                BASS_ChannelSetSync(h, BASS_SYNC_META, 0, &onTitle, notices);
                BASS_ChannelSetSync(h, BASS_SYNC_STALL, 0, &onStall, notices);
                BASS_ChannelSetSync(h, BASS_SYNC_END, 0, &onEnd, notices);
            }
            BASS_ChannelPlay(h, 0);
        }
        return h;
    }

private slots:
    void initTestCase() { QVERIFY(server.start()); }

    void theSineIsHeardAtTheChosenVolume_data() {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<float>("volume");
        QTest::addColumn<float>("peak");
        QTest::addRow("full volume") << QByteArray("/http") << 1.0f << 0.5f;
        QTest::addRow("half volume halves the amplitude") << QByteArray("/http") << 0.5f << 0.25f;
        QTest::addRow("volume 0 is silence") << QByteArray("/http") << 0.0f << 0.0f;
        QTest::addRow("above 1 is clamped") << QByteArray("/http") << 3.0f << 0.5f;
        QTest::addRow("mono on both speakers, same loudness")
            << QByteArray("/mono") << 1.0f << 0.5f;
        // Stations stream other formats too; each is chosen from its media type.
        for (const char* name : {"aac", "aacp", "vorbis", "opus", "flac"})
            QTest::addRow("%s", name) << QByteArray("/coded/") + name << 1.0f << 0.5f;
        QTest::addRow("AAC with a generic media type is found by probing")
            << QByteArray("/coded/aac-untyped") << 1.0f << 0.5f;
    }

    void theSineIsHeardAtTheChosenVolume() {
        QFETCH(QByteArray, path);
        QFETCH(float, volume);
        QFETCH(float, peak);
        const HSTREAM h = startCapture(path.constData(), volume);
        QVERIFY(h);
        QTest::qWait(400); // the start of the capture is silence before Play
        const qint64 from = framesWritten(capture);
        QTest::qWait(800);
        const qint64 to = framesWritten(capture);
        QVERIFY(BASS_Free());
        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const Measure m = measure(file.readAll(), from, to);
        QVERIFY2(std::fabs(m.peakLeft - peak) < 0.05f, qPrintable(QString::number(m.peakLeft)));
        QVERIFY2(std::fabs(m.peakRight - peak) < 0.05f, qPrintable(QString::number(m.peakRight)));
        if (peak > 0)
            QVERIFY2(std::fabs(m.frequency - 440) < 10, qPrintable(QString::number(m.frequency)));
    }

    void stopAndFreeSilenceTheOutput_data() {
        QTest::addColumn<bool>("free");
        QTest::addRow("BASS_ChannelStop") << false;
        QTest::addRow("BASS_StreamFree") << true;
    }

    void lostConnectionsAreMadeAgain_data();
    void lostConnectionsAreMadeAgain();
    void serverGoneForGoodEndsTheStreamWithANotice();

    void stopAndFreeSilenceTheOutput() {
        QFETCH(bool, free);
        const HSTREAM h = startCapture("/http", 1.0f);
        QVERIFY(h);
        QTest::qWait(700);
        QVERIFY(free ? BASS_StreamFree(h) : BASS_ChannelStop(h));
        const qint64 stoppedAt = framesWritten(capture);
        QTest::qWait(500);
        QVERIFY(BASS_Free());
        QFile file(capture);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pcm = file.readAll();
        QVERIFY(measure(pcm, stoppedAt - kRate / 4, stoppedAt - 4096).peakLeft > 0.4f);
        // Allow what SDL had already taken from the callback when the call came.
        QCOMPARE(measure(pcm, stoppedAt + 4096, pcm.size() / kFrameBytes).peakLeft, 0.0f);
    }
};

// The server drops the connection every 3 s and takes the next one at once (/drops), or falls
// silent for 10 s once (/stall): the same handle plays on with short gaps only, the titles go on
// in order, and memory stays where it was.
void TstEngineOutput::lostConnectionsAreMadeAgain_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<double>("maxSilence"); // the outage plus at most a second
    QTest::addRow("dropped every 3 s") << QByteArray("/drops") << 11 << 1.5;
    QTest::addRow("silent for 10 s") << QByteArray("/stall") << 12 << 4.0 + 1.5;
}

void TstEngineOutput::lostConnectionsAreMadeAgain() {
    QFETCH(QByteArray, path);
    QFETCH(int, seconds);
    QFETCH(double, maxSilence);
    Notices notices;
    const HSTREAM h = startCapture(path.constData(), 1.0f, &notices);
    QVERIFY(h);
    QTest::qWait(1500);
    const qint64 memoryBefore = residentKb();
    QTest::qWait((seconds - 1) * 1000);
    QCOMPARE(BASS_StreamGetFilePosition(h, BASS_FILEPOS_CONNECTED), QWORD(1));
    QVERIFY(BASS_ChannelGetPosition(h, BASS_POS_BYTE) != QWORD(-1)); // the same handle
    const qint64 grown = residentKb() - memoryBefore;
    QVERIFY(!notices.ended);
    QVERIFY(BASS_Free());

    QFile file(capture);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pcm = file.readAll();
    const double silence = longestSilence(pcm);
    QVERIFY2(silence <= maxSilence, qPrintable(QString::number(silence)));
    // Audio at the end again: the last second holds the sine.
    const qint64 frames = pcm.size() / kFrameBytes;
    QVERIFY(measure(pcm, frames - 2 * kRate, frames - kRate / 2).peakLeft > 0.4f);

    const QMutexLocker lock(&notices.mutex);
    const QList<int> songs = songNumbers(notices.titles);
    QVERIFY2(songs.size() >= 5, qPrintable(notices.titles.join(" | ")));
    for (qsizetype i = 1; i < songs.size(); ++i)
        QVERIFY2(songs[i] > songs[i - 1], qPrintable(notices.titles.join(" | ")));
    QVERIFY(notices.stalls.contains(0)); // the loss was told, and so was the return
    QVERIFY(notices.stalls.contains(1));
    QVERIFY2(grown < 8 * 1024, qPrintable(QString::number(grown) + " KB"));
}

// The server plays 2 s and then answers 404: the stream ends for good, with its notice, once its
// audio has been heard, and frees itself.
void TstEngineOutput::serverGoneForGoodEndsTheStreamWithANotice() {
    Notices notices;
    QElapsedTimer clock;
    clock.start();
    const HSTREAM h = startCapture("/gone", 1.0f, &notices, BASS_STREAM_AUTOFREE);
    QVERIFY(h);
    const bool ended = QTest::qWaitFor([&] { return notices.ended.load(); }, 15000);
    const qint64 took = clock.elapsed();
    const bool freed = QTest::qWaitFor(
        [&] { return BASS_ChannelGetPosition(h, BASS_POS_BYTE) == QWORD(-1); }, 2000);
    QVERIFY(BASS_Free());
    QVERIFY(ended);
    QVERIFY2(took >= 1500, qPrintable(QString::number(took))); // after its 2 s of audio
    QVERIFY(freed);
}

QTEST_GUILESS_MAIN(TstEngineOutput)
#include "tst_engine_output.moc"
