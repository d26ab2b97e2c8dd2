// The window's lifecycle, the player panel and the slide of the tab control.

#include "tf_principal.h"

#include "content/programme_model.h"
#include "content/sponsor_model.h"
#include "content/statistics_visit.h"
#include "deployment.h"
#include "profile/link_opener.h"
#include "radio.h"
#include "radio_bass.h"
#include "worker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QJSEngine>
#include <QMessageBox>
#include <QQmlEngine>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>

TF_Principal* F_Principal = nullptr;

namespace {

constexpr int kPageCount = 2;
constexpr int kSlideMs = 300;
constexpr int kSlideTickMs = 16;
constexpr int kShutdownWaitMs = 1500;

const QString kLoadingText = QStringLiteral("Comunicando com o Servidor\rÉ Rapidinho");
const QString kAttemptText = QStringLiteral("Comunicando com o Servidor\rÉ Rapidinho...");

bool OnMainThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

// A modal box with the application's title, the text and one OK button.
void ShowPlainBox(const QString& text) {
    auto show = [text] {
        QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text,
                        QMessageBox::Ok);
        box.exec();
    };
    if (OnMainThread())
        show();
    else
        QMetaObject::invokeMethod(qApp, show, Qt::BlockingQueuedConnection);
}

// The default error box ends its text with a full stop.
QString DefaultErrorText(const std::exception_ptr& error) {
    QString text = zelvorna::TWorker::MessageOf(error);
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

// Resets a flag on every way out of a scope.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagGuard() { flag_ = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& flag_;
};

} // namespace

void StatusProc(QString pszData, int32_t Progress) {
    Q_UNUSED(pszData);
    if (zelvorna::TWorker::ShuttingDown())
        return; // the window may be going away
    if (F_Principal)
        F_Principal->ReportStatus(Progress);
}

void BroadcastInfoProc(QString pszBroadcastName, QString pszBitRate) {
    Q_UNUSED(pszBroadcastName);
    Q_UNUSED(pszBitRate);
}

// Also called on the engine's own thread: touches nothing.
void BroadcastMetaProc(QString pszData) {
    Q_UNUSED(pszData);
}

TF_Principal::Dependencies TF_Principal::DefaultDependencies() {
    Dependencies deps;
    deps.makeRadio = [] { return std::make_unique<TRadio>(); };
    deps.showMessage = ShowPlainBox;
    deps.showDefaultError = ShowPlainBox;
    deps.linkOpener = std::make_shared<profile::TDesktopLinkOpener>();
    deps.settingsPath =
        QCoreApplication::applicationDirPath() + QStringLiteral("/Configuracao.ini");
    deps.streamHost = QString::fromUtf8(deployment::kStreamHost);
    deps.siteHost = QString::fromUtf8(deployment::kSiteHost);
    deps.requestEmail = QString::fromUtf8(deployment::kRequestEmail);
    return deps;
}

TF_Principal::TF_Principal(Dependencies deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)), loadingText_(kLoadingText),
      sponsors_(std::make_unique<content::TSponsorModel>()),
      programmes_(std::make_unique<content::TProgrammeModel>()) {
    F_Principal = this;
}

TF_Principal::~TF_Principal() {
    if (F_Principal == this)
        F_Principal = nullptr;
}

TF_Principal* TF_Principal::create(QQmlEngine* qmlEngine, QJSEngine* jsEngine) {
    Q_UNUSED(qmlEngine);
    Q_UNUSED(jsEngine);
    if (F_Principal)
        QJSEngine::setObjectOwnership(F_Principal, QJSEngine::CppOwnership);
    return F_Principal;
}

// ---- Window lifecycle ----

void TF_Principal::FormCreate(QObject* Sender) {
    Q_UNUSED(Sender);
    Player_Radio_Zelvorna = std::shared_ptr<TRadio>(deps_.makeRadio());
    Player_Radio_Zelvorna->SetOwner(window_);
    setPlaying(false);
    setPlayTag(0);
    RunGreetingStep();
    volumeMinimum_ = 0;
    emit volumeRangeChanged();
    volumeMaximum_ = 100;
    emit volumeRangeChanged();
    setVolumeValue(50);
}

void TF_Principal::FormShow(QObject* Sender) {
    Q_UNUSED(Sender);
    auto* worker =
        zelvorna::TWorker::Create([this](zelvorna::TWorker& self) { StartupFetchBody(self); });
    worker->SetOnTerminate([this](zelvorna::TWorker* sender) { Terminate_Form_Show(sender); });
    worker->Start();
}

void TF_Principal::FormClose(QObject* Sender) {
    Q_UNUSED(Sender);
    zelvorna::TWorker::BeginShutdown();
    // A connection blocked in the engine returns once the engine is freed.
    if (auto freeEngine = BassApi::Global().BASS_Free)
        freeEngine();
    zelvorna::TWorker::WaitForAll(kShutdownWaitMs);
    // A connection thread still running keeps its own reference to the radio.
    Player_Radio_Zelvorna.reset();
}

void TF_Principal::Terminate_Form_Show(zelvorna::TWorker* Sender) {
    ReportWorkerError(Sender);
}

void TF_Principal::ReportWorkerError(zelvorna::TWorker* Sender) {
    if (Sender && Sender->HasFatalError() && deps_.showMessage)
        deps_.showMessage(Sender->FatalErrorMessage());
}

// ---- Player panel ----

void TF_Principal::Botao_PlayClick(QObject* Sender) {
    Q_UNUSED(Sender);
    if (resuming_ || connecting_ || !Player_Radio_Zelvorna)
        return;
    if (!Playing) {
        StartConnectionAttempt();
        return;
    }
    try {
        TogglePlayback();
    } catch (...) {
        // QML cannot carry the error further: show it as the default error box would.
        if (deps_.showDefaultError)
            deps_.showDefaultError(DefaultErrorText(std::current_exception()));
    }
}

void TF_Principal::StartConnectionAttempt() {
    connecting_ = true;
    setSpinnerRunning(true);
    setLoadingText(kAttemptText);
    setOverlayInFront(true);
    auto* worker =
        zelvorna::TWorker::Create([this, radio = Player_Radio_Zelvorna](zelvorna::TWorker& self) {
            ConnectionAttemptBody(self, radio);
        });
    worker->SetOnTerminate([this](zelvorna::TWorker* sender) { Terminate_Carrega_Radio(sender); });
    worker->Start();
}

// Runs on the connection thread; the radio is its own reference, so closing the window while a
// connect blocks never frees the radio under it.
void TF_Principal::ConnectionAttemptBody(zelvorna::TWorker& worker,
                                         const std::shared_ptr<TRadio>& radio) {
    radio->SetStatusProc(StatusProc);
    radio->SetBroadcastInfoProc(BroadcastInfoProc);
    radio->SetBroadcastMetaProc(BroadcastMetaProc);
    const QString address = deps_.streamHost + QStringLiteral(":8000/radiozelvorna");
    radio->SetStreamURL(QStringLiteral("https://") + address);
    bool connected = radio->Play();
    if (!connected && !zelvorna::TWorker::ShuttingDown()) {
        radio->SetStreamURL(QStringLiteral("http://") + address);
        connected = radio->Play();
    }
    if (zelvorna::TWorker::ShuttingDown())
        return; // the window may be gone
    Playing = connected;
    if (connected)
        worker.Synchronize([this] { ConnectedStep(); });
}

void TF_Principal::ConnectedStep() {
    emit playingChanged();
    if (playTag_ == 0) {
        setPlayIcon(3);
        setPlayTag(1);
    } else {
        setPlayIcon(0);
        if (Player_Radio_Zelvorna)
            Player_Radio_Zelvorna->Pause();
        setPlayTag(0);
    }
    if (stopTag_ == 1) {
        setStopIcon(4);
        setStopTag(0);
    }
}

void TF_Principal::Terminate_Carrega_Radio(zelvorna::TWorker* Sender) {
    connecting_ = false;
    emit playingChanged(); // written by the connection thread
    setSpinnerRunning(false);
    setOverlayInFront(false);
    ReportWorkerError(Sender);
}

void TF_Principal::TogglePlayback() {
    const std::shared_ptr<TRadio> radio = Player_Radio_Zelvorna;
    if (playTag_ == 0) {
        setPlayIcon(3); // shows while the resuming Play buffers
        {
            TFlagGuard resuming(resuming_);
            radio->Play(); // a failed resume is not reported
        }
        setPlayTag(1);
    } else {
        setPlayIcon(0);
        radio->Pause();
        setPlayTag(0);
    }
    if (stopTag_ == 1) {
        setStopIcon(4);
        setStopTag(0);
        setPlaying(false);
    }
}

void TF_Principal::Botao_StopClick(QObject* Sender) {
    Q_UNUSED(Sender);
    if (resuming_ || connecting_)
        return;
    if (playTag_ == 1) {
        if (Player_Radio_Zelvorna)
            Player_Radio_Zelvorna->Pause();
        setPlayIcon(0);
    }
    setStopIcon(5);
    setStopTag(1);
    setProgressValue(0);
}

void TF_Principal::ReportStatus(int progress) {
    if (OnMainThread()) {
        setProgressValue(progress);
        return;
    }
    // Queued calls from one thread keep their order and run before its later hand-offs.
    QMetaObject::invokeMethod(
        this, [this, progress] { setProgressValue(progress); }, Qt::QueuedConnection);
}

// ---- Volume ----

void TF_Principal::TrackBar_VolumeTracking(QObject* Sender) {
    Q_UNUSED(Sender);
    PassVolumeOn();
}

void TF_Principal::Image_Volume_MaximoClick(QObject* Sender) {
    Q_UNUSED(Sender);
    setVolumeValue(volumeValue_ + 1);
    if (volumeValue_ >= 100)
        setVolumeValue(100);
    PassVolumeOn();
}

void TF_Principal::Image_Volume_MinimoClick(QObject* Sender) {
    Q_UNUSED(Sender);
    setVolumeValue(volumeValue_ - 1);
    if (volumeValue_ <= 0)
        setVolumeValue(0);
    PassVolumeOn();
}

void TF_Principal::PassVolumeOn() {
    if (Player_Radio_Zelvorna)
        Player_Radio_Zelvorna->SetVolume(static_cast<float>(volumeValue_));
}

// Like a track bar: the value stays within the range, and a real change raises tracking.
void TF_Principal::setVolumeValue(double value) {
    value = std::clamp(value, volumeMinimum_, std::max(volumeMinimum_, volumeMaximum_));
    if (value == volumeValue_)
        return;
    volumeValue_ = value;
    emit volumeValueChanged();
    TrackBar_VolumeTracking(nullptr);
}

// ---- Tab control ----

void TF_Principal::Layout_HomeClick(QObject* Sender) {
    Q_UNUSED(Sender);
    GotoVisibleTab(0);
}

bool TF_Principal::GotoVisibleTab(int pageIndex) {
    if (pageIndex < 0 || pageIndex >= kPageCount || pageIndex == activePage_ || sliding_)
        return false;
    // Normal direction: the new page comes in from the right; going back, from the left.
    const int direction = pageIndex > activePage_ ? 1 : -1;
    const int width = static_cast<int>(std::lround(tabWidth_));

    sliding_ = true;
    slideFromPage_ = activePage_;
    slideOldX_ = 0;
    slideNewX_ = direction * width;
    activePage_ = pageIndex;
    emit activePageChanged();
    emit slideChanged();

    // A local loop that takes user input too: the window keeps working, re-entry is refused.
    QEventLoop loop;
    QElapsedTimer clock;
    QTimer tick;
    tick.setInterval(kSlideTickMs);
    connect(&tick, &QTimer::timeout, &loop, [&] {
        const double done = std::min(1.0, double(clock.elapsed()) / kSlideMs);
        const int moved = static_cast<int>(std::lround(done * width));
        slideOldX_ = -direction * moved;
        slideNewX_ = direction * (width - moved);
        emit slideChanged();
        if (done >= 1.0)
            loop.quit();
    });
    clock.start();
    tick.start();
    loop.exec();

    sliding_ = false;
    slideFromPage_ = -1;
    slideOldX_ = 0;
    slideNewX_ = 0;
    emit slideChanged();
    return true;
}

void TF_Principal::setTabWidth(double width) {
    if (width == tabWidth_)
        return;
    tabWidth_ = width;
    emit tabWidthChanged();
}

// ---- State setters ----

void TF_Principal::setOverlayInFront(bool front) {
    if (front == overlayInFront_)
        return;
    overlayInFront_ = front;
    emit overlayInFrontChanged();
}

void TF_Principal::setLoadingText(const QString& text) {
    if (text == loadingText_)
        return;
    loadingText_ = text;
    emit loadingTextChanged();
}

void TF_Principal::setSpinnerRunning(bool running) {
    if (running == spinnerRunning_)
        return;
    spinnerRunning_ = running;
    emit spinnerRunningChanged();
}

void TF_Principal::setPlayIcon(int index) {
    if (index == playIconIndex_)
        return;
    playIconIndex_ = index;
    emit playIconIndexChanged();
}

void TF_Principal::setStopIcon(int index) {
    if (index == stopIconIndex_)
        return;
    stopIconIndex_ = index;
    emit stopIconIndexChanged();
}

void TF_Principal::setPlayTag(int tag) {
    if (tag == playTag_)
        return;
    playTag_ = tag;
    emit playTagChanged();
}

void TF_Principal::setStopTag(int tag) {
    if (tag == stopTag_)
        return;
    stopTag_ = tag;
    emit stopTagChanged();
}

void TF_Principal::setPlaying(bool playing) {
    if (playing == Playing)
        return;
    Playing = playing;
    emit playingChanged();
}

void TF_Principal::setProgressValue(double value) {
    if (value == progressValue_)
        return;
    progressValue_ = value;
    emit progressValueChanged();
}

void TF_Principal::setGreetingText(const QString& text) {
    if (text == greetingText_)
        return;
    greetingText_ = text;
    emit greetingTextChanged();
}

void TF_Principal::setNameDialogVisible(bool visible) {
    if (visible == nameDialogVisible_)
        return;
    nameDialogVisible_ = visible;
    emit nameDialogVisibleChanged();
}

void TF_Principal::setSponsorStripVisible(bool visible) {
    if (visible == sponsorStripVisible_)
        return;
    sponsorStripVisible_ = visible;
    emit sponsorStripVisibleChanged();
}
