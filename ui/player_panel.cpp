#include "player_panel.h"

#include "logging.h"
#include "main_thread.h"
#include "message_text.h"
#include "radio.h"
#include "worker.h"

#include <QMetaObject>
#include <QWindow>
#include <algorithm>

namespace {

constexpr int kShutdownWaitMs = 1500;
constexpr int kIconPlay = 0;
constexpr int kIconPauseBlue = 3;
constexpr int kIconStop = 4;
constexpr int kIconStopBlue = 5;

const QString kLoadingText = QStringLiteral("Comunicando com o Servidor\rÉ Rapidinho");
const QString kAttemptText = QStringLiteral("Comunicando com o Servidor\rÉ Rapidinho...");

} // namespace

using zelvorna::TWorker;

TPlayerPanel::TPlayerPanel(Dependencies deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)), loadingText_(kLoadingText) {}

TPlayerPanel::~TPlayerPanel() = default;

void TPlayerPanel::CreateRadio(QWindow* owner) {
    Player_Radio_Zelvorna = std::shared_ptr<TRadio>(deps_.makeRadio());
    Player_Radio_Zelvorna->SetOwner(owner);
    setPlaying(false);
    setPlayTag(0);
}

void TPlayerPanel::SetUpVolume() {
    volumeMinimum_ = 0;
    emit volumeRangeChanged();
    volumeMaximum_ = 100;
    emit volumeRangeChanged();
    setVolumeValue(50);
}

void TPlayerPanel::Shutdown() {
    // A connection blocked in the engine returns once the output is closed.
    TRadio::AbortAll();
    if (!TWorker::WaitForAll(kShutdownWaitMs))
        qCDebug(lcWindow) << "a worker still runs at close";
    Player_Radio_Zelvorna.reset();
}

// ---- Play and stop ----

void TPlayerPanel::PlayClick() {
    if (busy() || !Player_Radio_Zelvorna)
        return;
    if (!Playing) {
        StartConnectionAttempt();
        return;
    }
    if (playTag_ == 0) {
        StartResume();
        return;
    }
    setPlayIcon(kIconPlay);
    Pause();
    setPlayTag(0);
    ClearStopState();
}

void TPlayerPanel::StartConnectionAttempt() {
    setConnecting(true);
    setSpinnerRunning(true);
    setLoadingText(kAttemptText);
    setOverlayInFront(true);
    // The thread holds its own reference: closing the window while a connect blocks never frees
    // the radio component under it.
    auto* worker = TWorker::Create([this, radio = Player_Radio_Zelvorna](TWorker& self) {
        ConnectionAttemptBody(self, radio);
    });
    worker->SetOnTerminate([this](TWorker* sender) { Terminate_Carrega_Radio(sender); });
    worker->Start();
}

// Connection thread.
void TPlayerPanel::ConnectionAttemptBody(TWorker& worker, const std::shared_ptr<TRadio>& radio) {
    radio->SetStatusProc(deps_.statusProc);
    radio->SetBroadcastInfoProc(deps_.broadcastInfoProc);
    radio->SetBroadcastMetaProc(deps_.broadcastMetaProc);
    const QString address = deps_.streamHost + QStringLiteral(":8000/radiozelvorna");
    radio->SetStreamURL(QStringLiteral("https://") + address);
    bool connected = radio->Play();
    if (!connected && !TWorker::ShuttingDown()) {
        radio->SetStreamURL(QStringLiteral("http://") + address);
        connected = radio->Play();
    }
    if (TWorker::ShuttingDown())
        return; // the panel may be gone
    Playing = connected;
    if (connected)
        worker.Synchronize([this] { ConnectedStep(); });
}

void TPlayerPanel::ConnectedStep() {
    emit playingChanged(); // written by the connection thread
    if (playTag_ == 0) {
        setPlayIcon(kIconPauseBlue);
        setPlayTag(1);
    } else {
        setPlayIcon(kIconPlay);
        Pause();
        setPlayTag(0);
    }
    if (stopTag_ == 1) {
        setStopIcon(kIconStop);
        setStopTag(0);
    }
}

void TPlayerPanel::Terminate_Carrega_Radio(TWorker* Sender) {
    setConnecting(false);
    emit playingChanged(); // written by the connection thread
    setSpinnerRunning(false);
    setOverlayInFront(false);
    if (Sender && Sender->HasFatalError() && deps_.showMessage)
        deps_.showMessage(Sender->FatalErrorMessage());
}

// A resume is a new Play: it runs on a thread of its own, so the window keeps working while it
// connects and buffers. The pause icon already shows meanwhile.
void TPlayerPanel::StartResume() {
    setPlayIcon(kIconPauseBlue);
    setResuming(true);
    auto* worker = TWorker::Create([radio = Player_Radio_Zelvorna](TWorker&) {
        radio->Play(); // a failed resume is not reported
    });
    worker->SetOnTerminate([this](TWorker* sender) { ResumeEnded(sender); });
    worker->Start();
}

void TPlayerPanel::ResumeEnded(TWorker* Sender) {
    setResuming(false);
    if (Sender && Sender->HasFatalError()) {
        // As an error of the press itself: the default error box, and the press goes no further.
        if (deps_.showDefaultError)
            deps_.showDefaultError(zelvorna::WithFullStop(Sender->FatalErrorMessage()));
        return;
    }
    setPlayTag(1);
    ClearStopState();
}

// A play press in the stop state clears it, and the next press connects anew.
void TPlayerPanel::ClearStopState() {
    if (stopTag_ != 1)
        return;
    setStopIcon(kIconStop);
    setStopTag(0);
    setPlaying(false);
}

void TPlayerPanel::StopClick() {
    if (busy())
        return;
    if (playTag_ == 1) {
        Pause();
        setPlayIcon(kIconPlay);
    }
    setStopIcon(kIconStopBlue);
    setStopTag(1);
    setProgressValue(0);
}

void TPlayerPanel::Pause() {
    if (Player_Radio_Zelvorna)
        Player_Radio_Zelvorna->Pause();
}

void TPlayerPanel::ReportStatus(int progress) {
    if (zelvorna::OnMainThread()) {
        setProgressValue(progress);
        return;
    }
    // Queued calls from one thread keep their order and run before its later hand-offs.
    QMetaObject::invokeMethod(
        this, [this, progress] { setProgressValue(progress); }, Qt::QueuedConnection);
}

// ---- Volume ----

void TPlayerPanel::VolumeTracking() {
    PassVolumeOn();
}

void TPlayerPanel::VolumeUpClick() {
    setVolumeValue(volumeValue_ + 1);
    if (volumeValue_ >= 100)
        setVolumeValue(100);
    PassVolumeOn();
}

void TPlayerPanel::VolumeDownClick() {
    setVolumeValue(volumeValue_ - 1);
    if (volumeValue_ <= 0)
        setVolumeValue(0);
    PassVolumeOn();
}

void TPlayerPanel::PassVolumeOn() {
    if (Player_Radio_Zelvorna)
        Player_Radio_Zelvorna->SetVolume(static_cast<float>(volumeValue_));
}

// Like a track bar: the value stays within the range, and a real change raises tracking.
void TPlayerPanel::setVolumeValue(double value) {
    value = std::clamp(value, volumeMinimum_, std::max(volumeMinimum_, volumeMaximum_));
    if (value == volumeValue_)
        return;
    volumeValue_ = value;
    emit volumeValueChanged();
    VolumeTracking();
}

// ---- State setters ----

namespace {

template <typename T, typename Signal>
void Assign(TPlayerPanel* panel, T& field, const T& value, Signal changed) {
    if (field == value)
        return;
    field = value;
    emit(panel->*changed)();
}

} // namespace

void TPlayerPanel::setOverlayInFront(bool front) {
    Assign(this, overlayInFront_, front, &TPlayerPanel::overlayInFrontChanged);
}
void TPlayerPanel::setLoadingText(const QString& text) {
    Assign(this, loadingText_, text, &TPlayerPanel::loadingTextChanged);
}
void TPlayerPanel::setSpinnerRunning(bool running) {
    Assign(this, spinnerRunning_, running, &TPlayerPanel::spinnerRunningChanged);
}
void TPlayerPanel::setPlayIcon(int index) {
    Assign(this, playIconIndex_, index, &TPlayerPanel::playIconIndexChanged);
}
void TPlayerPanel::setStopIcon(int index) {
    Assign(this, stopIconIndex_, index, &TPlayerPanel::stopIconIndexChanged);
}
void TPlayerPanel::setPlayTag(int tag) {
    Assign(this, playTag_, tag, &TPlayerPanel::playTagChanged);
}
void TPlayerPanel::setStopTag(int tag) {
    Assign(this, stopTag_, tag, &TPlayerPanel::stopTagChanged);
}
void TPlayerPanel::setPlaying(bool playing) {
    Assign(this, Playing, playing, &TPlayerPanel::playingChanged);
}
void TPlayerPanel::setProgressValue(double value) {
    Assign(this, progressValue_, value, &TPlayerPanel::progressValueChanged);
}
void TPlayerPanel::setConnecting(bool connecting) {
    const bool wasBusy = busy();
    connecting_ = connecting;
    if (busy() != wasBusy)
        emit busyChanged();
}
void TPlayerPanel::setResuming(bool resuming) {
    const bool wasBusy = busy();
    resuming_ = resuming;
    if (busy() != wasBusy)
        emit busyChanged();
}
