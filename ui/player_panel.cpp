#include "player_panel.h"

#include "logging.h"
#include "main_thread.h"
#include "property_setter.h"
#include "radio.h"
#include "worker.h"
#include "zelvorna_timing.h"

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

// The status line, in the listener's words.
QString FailureText(TOpenFailure failure) {
    switch (failure) {
    case TOpenFailure::None:
        return QString();
    case TOpenFailure::NoAnswer:
        return QStringLiteral("O servidor não respondeu.");
    case TOpenFailure::NotAudio:
        return QStringLiteral("O servidor não enviou uma transmissão de áudio.");
    case TOpenFailure::NoDevice:
        return QStringLiteral("Nenhum dispositivo de som disponível.");
    case TOpenFailure::Unreachable:
        break;
    }
    return QStringLiteral("Não foi possível conectar ao servidor.");
}

const QString kReconnectingText = QStringLiteral("Conexão perdida. Reconectando…");
const QString kNoOutputText = QStringLiteral("Sem saída de som. Tentando de novo…");
const QString kEndedText = QStringLiteral("A transmissão terminou.");

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
    UpdatePlaybackState();
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
    zelvorna::TimingMark("window: play pressed");
    setStatusText(QString());
    if (playTag_ == 0) {
        // Nothing plays: connect anew, whether first, after a pause, a stop or the stream's end.
        StartConnectionAttempt();
        return;
    }
    setPlayIcon(kIconPlay);
    Pause();
    setPlayTag(0);
    UpdatePlaybackState();
}

void TPlayerPanel::StartConnectionAttempt() {
    setConnecting(true);
    setSpinnerRunning(true);
    setLoadingText(kAttemptText);
    setOverlayInFront(true);
    // The thread holds its own reference: closing the window while a connect blocks never frees
    // the radio component under it.
    auto outcome = std::make_shared<TAttemptOutcome>();
    auto* worker = TWorker::Create([this, radio = Player_Radio_Zelvorna, outcome](TWorker& self) {
        ConnectionAttemptBody(self, radio, *outcome);
    });
    worker->SetOnTerminate(
        [this, outcome](TWorker* sender) { Terminate_Carrega_Radio(sender, *outcome); });
    worker->Start();
}

// Connection thread.
void TPlayerPanel::ConnectionAttemptBody(TWorker& worker, const std::shared_ptr<TRadio>& radio,
                                         TAttemptOutcome& outcome) {
    radio->SetStatusProc(deps_.statusProc);
    radio->SetBroadcastInfoProc(deps_.broadcastInfoProc);
    radio->SetBroadcastMetaProc(deps_.broadcastMetaProc);
    radio->SetStreamNoticeProc(deps_.streamNoticeProc);
    zelvorna::TimingMark("window: connection thread running");
    bool connected = false;
    for (qsizetype i = 0; i < deps_.streams.size() && !connected && !TWorker::ShuttingDown(); ++i) {
        if (i > 0)
            zelvorna::TimingMark("window: https failed, trying http");
        radio->SetStreamURL(deps_.streams.at(i));
        connected = radio->Play();
    }
    if (TWorker::ShuttingDown())
        return; // the panel may be gone
    outcome.failure = connected ? TOpenFailure::None : radio->LastOpenFailure();
    outcome.connected = connected;
    if (connected)
        worker.Synchronize([this] { ConnectedStep(); });
}

void TPlayerPanel::ConnectedStep() {
    setPlaying(true);
    setPlayIcon(kIconPauseBlue);
    setPlayTag(1);
    if (stopTag_ == 1) {
        setStopIcon(kIconStop);
        setStopTag(0);
    }
    UpdatePlaybackState();
}

void TPlayerPanel::Terminate_Carrega_Radio(TWorker* Sender, const TAttemptOutcome& outcome) {
    setConnecting(false);
    setPlaying(outcome.connected);
    setSpinnerRunning(false);
    setOverlayInFront(false);
    UpdatePlaybackState();
    if (Sender && Sender->HasFatalError()) {
        if (deps_.showMessage)
            deps_.showMessage(Sender->FatalErrorMessage());
        return;
    }
    if (!Playing)
        setStatusText(FailureText(outcome.failure));
}

void TPlayerPanel::ReportStreamNotice(TStreamNotice notice) {
    QMetaObject::invokeMethod(
        this, [this, notice] { StreamNotice(notice); }, Qt::QueuedConnection);
}

// An attempt under way replaces the stream: what the old one says no longer matters.
void TPlayerPanel::StreamNotice(TStreamNotice notice) {
    if (busy() || !Playing)
        return;
    switch (notice) {
    case TStreamNotice::Reconnecting:
        setStatusText(kReconnectingText);
        return;
    case TStreamNotice::Resumed:
        if (statusText_ == kReconnectingText)
            setStatusText(QString());
        return;
    case TStreamNotice::NoOutput:
        setStatusText(kNoOutputText);
        return;
    case TStreamNotice::OutputBack:
        if (statusText_ == kNoOutputText)
            setStatusText(QString());
        return;
    case TStreamNotice::Ended:
        // As after a stop: the play picture, nothing connected, and the next press connects.
        setPlayIcon(kIconPlay);
        setPlayTag(0);
        setPlaying(false);
        setProgressValue(0);
        setOverlayInFront(false);
        setStatusText(kEndedText);
        UpdatePlaybackState();
        return;
    }
}

// A stop ends the stream for the listener: the next press on play connects anew.
void TPlayerPanel::StopClick() {
    if (busy())
        return;
    setStatusText(QString());
    if (playTag_ == 1) {
        Pause();
        setPlayIcon(kIconPlay);
    }
    setPlayTag(0);
    setPlaying(false);
    setStopIcon(kIconStopBlue);
    setStopTag(1);
    setProgressValue(0);
    UpdatePlaybackState();
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

void TPlayerPanel::ReportStreamTitle(const QString& title) {
    QMetaObject::invokeMethod(
        this, [this, title] { StreamTitle(title); }, Qt::QueuedConnection);
}

// A stopped stream's late titles are dropped; an attempt's first title is kept for when it plays.
void TPlayerPanel::StreamTitle(const QString& title) {
    if (playbackState_ == PlaybackState::Stopped && !busy())
        return;
    if (title == streamTitle_)
        return;
    streamTitle_ = title;
    emit streamTitleChanged();
}

void TPlayerPanel::UpdatePlaybackState() {
    const PlaybackState state = playTag_ == 1 ? PlaybackState::Playing
                                : Playing     ? PlaybackState::Paused
                                              : PlaybackState::Stopped;
    if (state == playbackState_)
        return;
    playbackState_ = state;
    if (state == PlaybackState::Stopped && !streamTitle_.isEmpty()) {
        streamTitle_.clear();
        emit streamTitleChanged();
    }
    emit playbackStateChanged();
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

using zelvorna::SetAndNotify;

void TPlayerPanel::setOverlayInFront(bool front) {
    SetAndNotify(this, overlayInFront_, front, &TPlayerPanel::overlayInFrontChanged);
}
void TPlayerPanel::setLoadingText(const QString& text) {
    SetAndNotify(this, loadingText_, text, &TPlayerPanel::loadingTextChanged);
}
void TPlayerPanel::setSpinnerRunning(bool running) {
    SetAndNotify(this, spinnerRunning_, running, &TPlayerPanel::spinnerRunningChanged);
}
void TPlayerPanel::setPlayIcon(int index) {
    SetAndNotify(this, playIconIndex_, index, &TPlayerPanel::playIconIndexChanged);
}
void TPlayerPanel::setStopIcon(int index) {
    SetAndNotify(this, stopIconIndex_, index, &TPlayerPanel::stopIconIndexChanged);
}
void TPlayerPanel::setPlayTag(int tag) {
    SetAndNotify(this, playTag_, tag, &TPlayerPanel::playTagChanged);
}
void TPlayerPanel::setStopTag(int tag) {
    SetAndNotify(this, stopTag_, tag, &TPlayerPanel::stopTagChanged);
}
void TPlayerPanel::setPlaying(bool playing) {
    SetAndNotify(this, Playing, playing, &TPlayerPanel::playingChanged);
}
void TPlayerPanel::setProgressValue(double value) {
    SetAndNotify(this, progressValue_, value, &TPlayerPanel::progressValueChanged);
}
void TPlayerPanel::setConnecting(bool connecting) {
    SetAndNotify(this, connecting_, connecting, &TPlayerPanel::busyChanged);
}
void TPlayerPanel::setStatusText(const QString& text) {
    SetAndNotify(this, statusText_, text, &TPlayerPanel::statusTextChanged);
}
