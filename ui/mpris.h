#pragma once
// The window on the desktop's media controls: MPRIS 2 on the session bus as
// org.mpris.MediaPlayer2.radiozelvorna. Its Play, Pause, PlayPause and Stop are the play and stop
// buttons' own handlers; its Volume is the slider; its Metadata is the title being heard, which
// the window itself does not show. Without a session bus it does nothing.
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

    // Whether the service is on the bus.
    bool Registered() const { return registered_; }

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
    int track_ = 0; // counts the titles, for the track id
    QString lastStatus_;
    QVariantMap lastMetadata_;
    double lastVolume_ = -1;
    QString artUrl_;
};
