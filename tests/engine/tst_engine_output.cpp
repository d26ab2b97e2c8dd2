// What reaches the device: SDL's disk driver writes the exact float PCM of the mix.
#include "engine_test_server.h"
#include "stream_engine.h"

#include <QtTest>

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

} // namespace

class TestEngineOutput : public QObject {
    Q_OBJECT

    IcyServer server;
    QTemporaryDir dir;
    QString capture;

    HSTREAM startCapture(const char* path, float volume) {
        capture = dir.filePath(QString("out-%1.raw").arg(QRandomGenerator::global()->generate()));
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", capture.toLocal8Bit());
        if (!BASS_Init(-1, 44100, 0, nullptr, nullptr))
            return 0;
        const HSTREAM h =
            BASS_StreamCreateURL(server.url(path).constData(), 0, 0, nullptr, nullptr);
        if (h) {
            BASS_ChannelSetAttribute(h, BASS_ATTRIB_VOL, volume);
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

QTEST_GUILESS_MAIN(TestEngineOutput)
#include "tst_engine_output.moc"
