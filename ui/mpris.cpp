#include "mpris.h"

#include "app_id.h"
#include "player_panel.h"
#include "tf_principal.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.radiozelvorna");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kStationName = QStringLiteral("Rádio Zelvorna");
// Track ids live under the application's own path; only NoTrack may be under /org/mpris.
const QString kTrackPath = QStringLiteral("/br/com/radiozelvorna/Ouvinte/track/%1");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

// org.mpris.MediaPlayer2: who we are. The window can be raised, not quit, from outside.
class TRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

public:
    TRootAdaptor(TF_Principal& window, QObject* parent)
        : QDBusAbstractAdaptor(parent), window_(window) {}
    bool CanQuit() const { return false; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return kStationName; }
    QString DesktopEntry() const { return QString::fromLatin1(zelvorna::kAppId); }
    QStringList SupportedUriSchemes() const { return {"http", "https"}; }
    // What the engine decodes, by the types servers send for it.
    QStringList SupportedMimeTypes() const {
        return {"audio/mpeg", "audio/aac",    "audio/aacp", "audio/ogg",   "application/ogg",
                "audio/opus", "audio/vorbis", "audio/flac", "audio/x-flac"};
    }

public slots:
    void Raise() { window_.RaiseWindow(); }
    void Quit() {}

private:
    TF_Principal& window_;
};

// org.mpris.MediaPlayer2.Player: a live stream, so no seeking and no next or previous.
class TPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ No)
    Q_PROPERTY(bool CanGoPrevious READ No)
    Q_PROPERTY(bool CanPlay READ Yes)
    Q_PROPERTY(bool CanPause READ Yes)
    Q_PROPERTY(bool CanSeek READ No)
    Q_PROPERTY(bool CanControl READ Yes)

public:
    TPlayerAdaptor(TMprisService& service, QObject* parent)
        : QDBusAbstractAdaptor(parent), service_(service) {}
    QString PlaybackStatus() const { return service_.PlaybackStatus(); }
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    QVariantMap Metadata() const { return service_.Metadata(); }
    double Volume() const { return service_.Volume(); }
    void SetVolume(double volume) { service_.SetVolume(volume); }
    qlonglong Position() const { return 0; }
    bool Yes() const { return true; }
    bool No() const { return false; }

public slots:
    void Play() { service_.Play(); }
    void Pause() { service_.Pause(); }
    void PlayPause() { service_.PlayPause(); }
    void Stop() { service_.Stop(); }
    void Next() {}
    void Previous() {}
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong position);

private:
    TMprisService& service_;
};

} // namespace

TMprisService::TMprisService(TF_Principal& window, QObject* parent)
    : QObject(parent), window_(window) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;                     // no desktop session: the window works as before
    new TRootAdaptor(window, this); // owned by this object, as adaptors are
    new TPlayerAdaptor(*this, this);
    if (!bus.registerObject(kPath, this))
        return;
    // The name may be held by a copy that does not answer: MPRIS's per-instance name keeps this
    // one on the media controls all the same.
    serviceName_ = kService;
    if (!bus.registerService(serviceName_)) {
        serviceName_ =
            kService + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!bus.registerService(serviceName_)) {
            bus.unregisterObject(kPath);
            return;
        }
    }
    registered_ = true;
    artUrl_ = ArtUrl();
    TPlayerPanel* player = window.player();
    for (auto changed : {&TPlayerPanel::playbackStateChanged, &TPlayerPanel::volumeValueChanged})
        connect(player, changed, this, &TMprisService::AnnounceChanges);
    connect(player, &TPlayerPanel::streamTitleChanged, this, [this] {
        ++track_;
        AnnounceChanges();
    });
    lastStatus_ = PlaybackStatus();
    lastMetadata_ = Metadata();
    lastVolume_ = Volume();
}

TMprisService::~TMprisService() {
    if (!registered_)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(serviceName_);
    bus.unregisterObject(kPath);
}

QString TMprisService::PlaybackStatus() const {
    switch (window_.player()->playbackState()) {
    case TPlayerPanel::PlaybackState::Playing:
        return QStringLiteral("Playing");
    case TPlayerPanel::PlaybackState::Paused:
        return QStringLiteral("Paused");
    case TPlayerPanel::PlaybackState::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

// Stopped, there is no track. "Artist - Title" is how stations send both; a title without the
// separator is all title.
QVariantMap TMprisService::Metadata() const {
    QVariantMap metadata;
    const TPlayerPanel& player = *window_.player();
    if (player.playbackState() == TPlayerPanel::PlaybackState::Stopped) {
        metadata.insert(QStringLiteral("mpris:trackid"),
                        QVariant::fromValue(QDBusObjectPath(kNoTrack)));
        return metadata;
    }
    metadata.insert(QStringLiteral("mpris:trackid"),
                    QVariant::fromValue(QDBusObjectPath(kTrackPath.arg(track_))));
    metadata.insert(QStringLiteral("xesam:album"), kStationName);
    if (!artUrl_.isEmpty())
        metadata.insert(QStringLiteral("mpris:artUrl"), artUrl_);
    const QString title = player.streamTitle();
    if (title.isEmpty())
        return metadata;
    const qsizetype separator = title.indexOf(QLatin1String(" - "));
    if (separator > 0) {
        metadata.insert(QStringLiteral("xesam:artist"), QStringList{title.left(separator)});
        metadata.insert(QStringLiteral("xesam:title"), title.mid(separator + 3));
    } else {
        metadata.insert(QStringLiteral("xesam:title"), title);
    }
    return metadata;
}

double TMprisService::Volume() const {
    return window_.player()->volumeValue() / 100.0;
}

// The slider's own path: its value, and the tracking notification that passes it on.
void TMprisService::SetVolume(double volume) {
    window_.player()->setVolumeValue(std::clamp(volume, 0.0, 1.0) * 100.0);
}

void TMprisService::Play() {
    if (!window_.player()->isPlaying())
        window_.Botao_PlayClick();
}

void TMprisService::Pause() {
    if (window_.player()->isPlaying())
        window_.Botao_PlayClick();
}

void TMprisService::PlayPause() {
    window_.Botao_PlayClick();
}

void TMprisService::Stop() {
    window_.Botao_StopClick();
}

// PropertiesChanged with what differs from the last announcement.
void TMprisService::AnnounceChanges() {
    QVariantMap changed;
    if (const QString status = PlaybackStatus(); status != lastStatus_) {
        lastStatus_ = status;
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    }
    if (const QVariantMap metadata = Metadata(); metadata != lastMetadata_) {
        lastMetadata_ = metadata;
        changed.insert(QStringLiteral("Metadata"), metadata);
    }
    if (const double volume = Volume(); volume != lastVolume_) {
        lastVolume_ = volume;
        changed.insert(QStringLiteral("Volume"), volume);
    }
    if (changed.isEmpty())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

// The installed icon, or the same picture rendered once into the cache for a copy that is not
// installed.
QString TMprisService::ArtUrl() const {
    const QString installed =
        QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("../share/icons/hicolor/256x256/apps/radio-zelvorna.png"));
    if (QFileInfo(installed).isFile())
        return QUrl::fromLocalFile(QFileInfo(installed).canonicalFilePath()).toString();
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                          QStringLiteral("/radio-zelvorna");
    const QString rendered = cache + QStringLiteral("/logo.png");
    if (!QFileInfo(rendered).isFile()) {
        QDir().mkpath(cache);
        if (!QIcon(QStringLiteral(":/assets/app_icon.svg")).pixmap(256, 256).save(rendered))
            return QString();
    }
    return QUrl::fromLocalFile(rendered).toString();
}

#include "mpris.moc"
