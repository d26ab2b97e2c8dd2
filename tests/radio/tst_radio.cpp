#include "fake_engine.h"
#include "radio.h"

#include <QTest>
#include <QWindow>
#include <memory>

namespace {

// Records what the facade passes on, including its own destruction.
class RecordingRadio final : public TCustomRadio {
public:
    explicit RecordingRadio(std::shared_ptr<QStringList> log) : log(std::move(log)) {}
    ~RecordingRadio() override { *log << "destroyed"; }

    void InitRadio(TWindowHandle iHandle) override {
        *log << QStringLiteral("InitRadio %1").arg(iHandle);
    }
    void UnloadRadio() override { *log << "UnloadRadio"; }
    void SetVolume(float AValue) override { *log << QStringLiteral("SetVolume %1").arg(AValue); }
    float GetVolume() override { return 33.5f; }
    bool Play() override {
        *log << "Play";
        return playResult;
    }
    void Pause() override { *log << "Pause"; }
    void SetStreamURL(QString AUrl) override { *log << "SetStreamURL " + AUrl; }
    void SetStatusProc(TStatusProc AProc) override {
        *log << label("SetStatusProc", AProc != nullptr);
    }
    void SetBroadcastInfoProc(TBroadcastInfoProc AProc) override {
        *log << label("SetBroadcastInfoProc", AProc != nullptr);
    }
    void SetBroadcastMetaProc(TBroadcastMetaProc AProc) override {
        *log << label("SetBroadcastMetaProc", AProc != nullptr);
    }
    void PauseRadioOnIncomingCalls(bool APause) override {
        *log << QStringLiteral("PauseRadioOnIncomingCalls %1").arg(APause);
    }

    bool playResult = true;

private:
    static QString label(const char* name, bool proc) {
        return QString::fromLatin1(name) + (proc ? " set" : " empty");
    }
    std::shared_ptr<QStringList> log;
};

void status(QString, int32_t) {}
void info(QString, QString) {}
void meta(QString) {}

} // namespace

class TstRadio : public QObject {
    Q_OBJECT

    std::shared_ptr<QStringList> log;
    RecordingRadio* platform = nullptr;

    std::unique_ptr<TRadio> makeRadio() {
        auto recording = std::make_unique<RecordingRadio>(log);
        platform = recording.get();
        return std::make_unique<TRadio>(std::move(recording));
    }

private slots:
    void init() { log = std::make_shared<QStringList>(); }

    void forwardsEveryOperation() {
        auto radio = makeRadio();
        radio->InitRadio(5);
        radio->SetStreamURL("http://127.0.0.1:8000/radiozelvorna");
        radio->SetVolume(12.5f);
        QCOMPARE(radio->GetVolume(), 33.5f);
        QVERIFY(radio->Play());
        platform->playResult = false;
        QVERIFY(!radio->Play());
        radio->Pause();
        radio->PauseRadioOnIncomingCalls(true);
        radio->UnloadRadio();

        const QStringList expected = {"InitRadio 5",
                                      "SetStreamURL http://127.0.0.1:8000/radiozelvorna",
                                      "SetVolume 12.5",
                                      "Play",
                                      "Play",
                                      "Pause",
                                      "PauseRadioOnIncomingCalls 1",
                                      "UnloadRadio"};
        QCOMPARE(*log, expected);
    }

    void emptyCallbacksAreIgnored() {
        auto radio = makeRadio();
        radio->SetStatusProc(&status);
        radio->SetStatusProc(nullptr);
        radio->SetBroadcastInfoProc(nullptr);
        radio->SetBroadcastInfoProc(&info);
        radio->SetBroadcastMetaProc(&meta);
        radio->SetBroadcastMetaProc(nullptr);

        const QStringList expected = {"SetStatusProc set", "SetBroadcastInfoProc set",
                                      "SetBroadcastMetaProc set"};
        QCOMPARE(*log, expected);
    }

    void destructionUnloadsBeforeDestroyingThePlayer() {
        makeRadio()->Play();
        QCOMPARE(*log, QStringList({"Play", "UnloadRadio", "destroyed"}));
    }

    void setOwnerInitialisesWithTheNativeWindow() {
        QWindow window;
        auto radio = makeRadio();
        radio->SetOwner(&window);
        QCOMPARE(radio->Owner(), &window);
        QCOMPARE(*log, QStringList{QStringLiteral("InitRadio %1").arg(window.winId())});

        radio->SetOwner(nullptr);
        QCOMPARE(log->last(), QStringLiteral("InitRadio 0"));
    }

    void defaultPlayerUsesTheGlobalBinding() {
        FakeEngine::instance().reset();
        const BassApi saved = BassApi::Global();
        BassApi::Global() = FakeEngine::table();
        {
            TRadio radio;
            radio.SetStreamURL("http://127.0.0.1:1/");
            radio.Pause();
        }
        // A radio that never played leaves the engine untouched, even when destroyed.
        QCOMPARE(FakeEngine::instance().callCount(), 0);
        QString expectedInit;
        {
            QWindow window;
            TRadio radio;
            radio.SetOwner(&window);
            expectedInit = QStringLiteral("Init(-1,44100,0,%1,null)").arg(window.winId());
        }
        BassApi::Global() = saved;
        QCOMPARE(FakeEngine::instance().log().value(0), expectedInit);
    }
};

QTEST_MAIN(TstRadio)
#include "tst_radio.moc"
