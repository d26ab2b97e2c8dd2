#pragma once
// The player panel: play, pause, resume and stop of the station's stream, the connection thread
// that tries the https address and then the http one, the loading overlay, the buffering progress,
// the volume, and the status line that says what the connection is doing. It alone holds the
// radio component; it never calls the engine itself.
//
// Every press of play while nothing plays (the first, after a pause, after a stop, after the
// stream ended) is a connection attempt behind the overlay; a press while it plays pauses.
//
// Threads: every member runs on the main thread, except ReportStatus, ReportStreamNotice and
// ReportStreamTitle (any thread). The connection thread calls only the radio component and
// ReportStatus; its outcome reaches the main thread through its hand-off and its termination.

#include "radio_shared.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QWindow;
class TRadio;

namespace zelvorna {
class TWorker;
}

class TPlayerPanel : public QObject {
    Q_OBJECT
public:
    // What the listener hears, said once for the buttons, the media keys and MPRIS. It changes
    // once per real change: an attempt keeps the state it started from until it has connected.
    enum class PlaybackState { Stopped, Paused, Playing };
    Q_ENUM(PlaybackState)

private:
    Q_PROPERTY(PlaybackState playbackState READ playbackState NOTIFY playbackStateChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY playbackStateChanged)
    // The title being heard, as the station sends it; empty once stopped.
    Q_PROPERTY(QString streamTitle READ streamTitle NOTIFY streamTitleChanged)
    // Loading overlay (never hidden through visibility, only by z-order).
    Q_PROPERTY(bool overlayInFront READ overlayInFront NOTIFY overlayInFrontChanged)
    Q_PROPERTY(QString loadingText READ loadingText NOTIFY loadingTextChanged)
    Q_PROPERTY(bool spinnerRunning READ spinnerRunning NOTIFY spinnerRunningChanged)
    // Icon index -1 means "the picture stored with the image control".
    Q_PROPERTY(int playIconIndex READ playIconIndex NOTIFY playIconIndexChanged)
    Q_PROPERTY(int stopIconIndex READ stopIconIndex NOTIFY stopIconIndexChanged)
    Q_PROPERTY(int playTag READ playTag NOTIFY playTagChanged)
    Q_PROPERTY(int stopTag READ stopTag NOTIFY stopTagChanged)
    Q_PROPERTY(bool playing READ playing NOTIFY playingChanged)
    // A connection attempt runs: presses of play and stop are ignored meanwhile.
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // One short line for the status bar: reconnecting, or why playing could not start; empty
    // otherwise, and cleared by the next press.
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(double progressValue READ progressValue NOTIFY progressValueChanged)
    Q_PROPERTY(double volumeMinimum READ volumeMinimum NOTIFY volumeRangeChanged)
    Q_PROPERTY(double volumeMaximum READ volumeMaximum NOTIFY volumeRangeChanged)
    // Writing a different value raises the tracking notification (VolumeTracking).
    Q_PROPERTY(double volumeValue READ volumeValue WRITE setVolumeValue NOTIFY volumeValueChanged)

public:
    struct Dependencies {
        std::function<std::unique_ptr<TRadio>()> makeRadio;
        std::function<void(const QString&)> showMessage;      // a connection thread's error
        std::function<void(const QString&)> showDefaultError; // an error of a press
        QStringList streams; // the stream's addresses, tried in this order
        // Installed on the radio component at every attempt; plain functions that reach their
        // panel through the window's one instance.
        TStatusProc statusProc = nullptr;
        TBroadcastInfoProc broadcastInfoProc = nullptr;
        TBroadcastMetaProc broadcastMetaProc = nullptr;
        TStreamNoticeProc streamNoticeProc = nullptr;
    };

    explicit TPlayerPanel(Dependencies deps, QObject* parent = nullptr);
    ~TPlayerPanel() override;

    // Window creation: the radio component is created and handed the window, Playing is false
    // and the play tag 0 (steps 1 to 4). SetUpVolume is the last step: range 0 to 100, value 50.
    void CreateRadio(QWindow* owner);
    void SetUpVolume();
    // Window closing: aborts a connect in progress, waits briefly for the threads that still use
    // the radio component, then drops it (a thread still running keeps its own reference).
    void Shutdown();

    void PlayClick();
    void StopClick();
    void VolumeTracking();
    void VolumeUpClick();
    void VolumeDownClick();
    // A status report of the radio component: the progress bar shows it, in the order reported.
    void ReportStatus(int progress);
    // What became of the playing stream, from the radio component.
    void ReportStreamNotice(TStreamNotice notice);
    // A new title of the playing stream, from the radio component.
    void ReportStreamTitle(const QString& title);

    bool overlayInFront() const { return overlayInFront_; }
    QString loadingText() const { return loadingText_; }
    bool spinnerRunning() const { return spinnerRunning_; }
    int playIconIndex() const { return playIconIndex_; }
    int stopIconIndex() const { return stopIconIndex_; }
    int playTag() const { return playTag_; }
    int stopTag() const { return stopTag_; }
    bool playing() const { return Playing; }
    PlaybackState playbackState() const { return playbackState_; }
    bool isPlaying() const { return playbackState_ == PlaybackState::Playing; }
    QString streamTitle() const { return streamTitle_; }
    bool busy() const { return connecting_; }
    QString statusText() const { return statusText_; }
    double progressValue() const { return progressValue_; }
    double volumeMinimum() const { return volumeMinimum_; }
    double volumeMaximum() const { return volumeMaximum_; }
    double volumeValue() const { return volumeValue_; }
    void setVolumeValue(double value);

    // The window's fields for the radio component and the outcome of the last attempt (main
    // thread only: the connection thread hands its outcome back).
    std::shared_ptr<TRadio> Player_Radio_Zelvorna;
    bool Playing = false;

signals:
    void overlayInFrontChanged();
    void loadingTextChanged();
    void spinnerRunningChanged();
    void playIconIndexChanged();
    void stopIconIndexChanged();
    void playTagChanged();
    void stopTagChanged();
    void playingChanged();
    void busyChanged();
    void statusTextChanged();
    void progressValueChanged();
    void volumeRangeChanged();
    void volumeValueChanged();
    void playbackStateChanged();
    void streamTitleChanged();

private:
    // Written by the connection thread, read by the main thread after the thread's hand-off or
    // its end.
    struct TAttemptOutcome {
        bool connected = false;
        TOpenFailure failure = TOpenFailure::None;
    };

    void StartConnectionAttempt();
    void ConnectionAttemptBody(zelvorna::TWorker& worker, const std::shared_ptr<TRadio>& radio,
                               TAttemptOutcome& outcome);
    void ConnectedStep();
    void Terminate_Carrega_Radio(zelvorna::TWorker* Sender, const TAttemptOutcome& outcome);
    void StreamTitle(const QString& title);
    // Called after each handler's changes, so that no step between them is announced.
    void UpdatePlaybackState();
    void StreamNotice(TStreamNotice notice);
    void Pause();
    void PassVolumeOn();

    void setOverlayInFront(bool front);
    void setLoadingText(const QString& text);
    void setSpinnerRunning(bool running);
    void setPlayIcon(int index);
    void setStopIcon(int index);
    void setPlayTag(int tag);
    void setStopTag(int tag);
    void setPlaying(bool playing);
    void setConnecting(bool connecting);
    void setProgressValue(double value);
    void setStatusText(const QString& text);

    Dependencies deps_;
    bool overlayInFront_ = false;
    QString loadingText_;
    bool spinnerRunning_ = false;
    int playIconIndex_ = -1;
    int stopIconIndex_ = -1;
    int playTag_ = 0;
    int stopTag_ = 0;
    double progressValue_ = 0;
    double volumeMinimum_ = 0;
    double volumeMaximum_ = 0;
    double volumeValue_ = 0;
    // A connection attempt runs: the overlay takes pointer presses, but a focused button still
    // takes keys, so presses are ignored here too.
    bool connecting_ = false;
    QString statusText_;
    PlaybackState playbackState_ = PlaybackState::Stopped;
    QString streamTitle_;
};
