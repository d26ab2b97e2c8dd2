#pragma once
// The window on the desktop's media controls: MPRIS 2 on the session bus as
// org.mpris.MediaPlayer2.radiozelvorna (or that name's .instance<PID> when a copy that does not
// answer holds it). Its Play, Pause, PlayPause and Stop are the play and stop buttons' own
// handlers; its Volume is the slider; its PlaybackStatus and Metadata are the player panel's
// playback state and title; Raise brings the window to the front. Without a session bus it does
// nothing.
//
// Threads: main thread only.

#include <QObject>
#include <QString>
#include <QVariantMap>

class TF_Principal;

class TMprisService : public QObject {
    Q_OBJECT
public:
    explicit TMprisService(TF_Principal& window, QObject* parent = nullptr);
    ~TMprisService() override;

    // Whether the service is on the bus, and under which name.
    bool Registered() const { return registered_; }
    QString ServiceName() const { return serviceName_; }

    // What the player interface reports.
    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    double Volume() const;
    void SetVolume(double volume);
    void Play();
    void Pause();
    void PlayPause();
    void Stop();

private:
    void AnnounceChanges();
    QString ArtUrl() const;

    TF_Principal& window_;
    bool registered_ = false;
    QString serviceName_;
    int track_ = 0; // counts the titles, for the track id
    QString lastStatus_;
    QVariantMap lastMetadata_;
    double lastVolume_ = -1;
    QString artUrl_;
};
