#pragma once
// The main window's controller: every handler of the window and the state the QML tree binds to.
// One instance, F_Principal. Handlers only change state properties; they never create or destroy
// items of the QML tree.

#include <QAbstractListModel>
#include <QImage>
#include <QObject>
#include <QString>
#include <QtQml/qqml.h>
#include <QtQml/qqmlregistration.h>
#include <cstdint>
#include <functional>
#include <memory>

class QQmlEngine;
class QJSEngine;
class QWindow;

class TRadio; // radio/radio.h

namespace profile {
class TLinkOpener; // profile/link_opener.h
}
namespace content {
class TSponsorModel;    // content/sponsor_model.h
class TProgrammeModel;  // content/programme_model.h
class TStatisticsVisit; // content/statistics_visit.h
} // namespace content

namespace zelvorna {
class TWorker;
}

class TF_Principal : public QObject {
    Q_OBJECT

    // Loading overlay (the overlay is never hidden through visibility, only by z-order).
    Q_PROPERTY(bool overlayInFront READ overlayInFront NOTIFY overlayInFrontChanged)
    Q_PROPERTY(QString loadingText READ loadingText NOTIFY loadingTextChanged)
    Q_PROPERTY(bool spinnerRunning READ spinnerRunning NOTIFY spinnerRunningChanged)

    // Player panel. Icon index -1 means "the picture stored with the image control".
    Q_PROPERTY(int playIconIndex READ playIconIndex NOTIFY playIconIndexChanged)
    Q_PROPERTY(int stopIconIndex READ stopIconIndex NOTIFY stopIconIndexChanged)
    Q_PROPERTY(int playTag READ playTag NOTIFY playTagChanged)
    Q_PROPERTY(int stopTag READ stopTag NOTIFY stopTagChanged)
    Q_PROPERTY(bool playing READ playing NOTIFY playingChanged)
    Q_PROPERTY(double progressValue READ progressValue NOTIFY progressValueChanged)
    Q_PROPERTY(double volumeMinimum READ volumeMinimum NOTIFY volumeRangeChanged)
    Q_PROPERTY(double volumeMaximum READ volumeMaximum NOTIFY volumeRangeChanged)
    // Writing a different value raises the tracking notification (TrackBar_VolumeTracking).
    Q_PROPERTY(double volumeValue READ volumeValue WRITE setVolumeValue NOTIFY volumeValueChanged)

    // Listener bar and name dialog.
    Q_PROPERTY(QString greetingText READ greetingText NOTIFY greetingTextChanged)
    Q_PROPERTY(bool nameDialogVisible READ nameDialogVisible NOTIFY nameDialogVisibleChanged)
    Q_PROPERTY(QString nameText READ nameText WRITE setNameText NOTIFY nameTextChanged)
    Q_PROPERTY(QString emailText READ emailText WRITE setEmailText NOTIFY emailTextChanged)
    Q_PROPERTY(bool notificationsOn READ notificationsOn WRITE setNotificationsOn NOTIFY
                   notificationsOnChanged)

    // Tab control and its slide: during a slide the old page's content sits at slideOldX and the
    // new page's at slideNewX (whole pixels, relative to the tab control); otherwise the active
    // page sits at 0. The QML writes the tab control's width into tabWidth.
    Q_PROPERTY(int activePage READ activePage NOTIFY activePageChanged)
    Q_PROPERTY(int slideFromPage READ slideFromPage NOTIFY slideChanged)
    Q_PROPERTY(bool sliding READ sliding NOTIFY slideChanged)
    Q_PROPERTY(int slideOldX READ slideOldX NOTIFY slideChanged)
    Q_PROPERTY(int slideNewX READ slideNewX NOTIFY slideChanged)
    Q_PROPERTY(double tabWidth READ tabWidth WRITE setTabWidth NOTIFY tabWidthChanged)

    // Sponsor strip and programme list.
    Q_PROPERTY(QAbstractListModel* sponsorModel READ sponsorModel CONSTANT)
    Q_PROPERTY(QAbstractListModel* programmeModel READ programmeModel CONSTANT)
    Q_PROPERTY(bool sponsorStripVisible READ sponsorStripVisible NOTIFY sponsorStripVisibleChanged)

    // Address the hidden browser was pointed at (empty until the start-up fetch does so).
    Q_PROPERTY(QString webBrowserUrl READ webBrowserUrl NOTIFY webBrowserUrlChanged)

public:
    // What tests replace; defaults are the real parts and the compiled-in deployment values.
    struct Dependencies {
        std::function<std::unique_ptr<TRadio>()> makeRadio;   // default: TRadio with the engine
        std::function<void(const QString&)> showMessage;      // worker errors (QMessageBox)
        std::function<void(const QString&)> showDefaultError; // uncaught handler errors
        std::shared_ptr<profile::TLinkOpener> linkOpener;     // default: the desktop's opener
        QString settingsPath; // default: Configuracao.ini beside the executable
        QString streamHost;   // host of https://HOST:8000/radiozelvorna and http://...
        QString siteHost;     // host[:port] of the station's website
        QString requestEmail;
        bool visitStatistics = true; // start the hidden statistics visit in the start-up fetch
    };
    static Dependencies DefaultDependencies();

    explicit TF_Principal(Dependencies deps = DefaultDependencies(), QObject* parent = nullptr);
    ~TF_Principal() override;

    // QML singleton: hands the one instance F_Principal to the engine (C++ keeps ownership).
    static TF_Principal* create(QQmlEngine* qmlEngine, QJSEngine* jsEngine);

    // The window the radio component is handed to (set by the start-up before FormCreate).
    void SetWindow(QWindow* window) { window_ = window; }

    // Window lifecycle.
    Q_INVOKABLE void FormCreate(QObject* Sender = nullptr);
    Q_INVOKABLE void FormShow(QObject* Sender = nullptr);
    Q_INVOKABLE void FormClose(QObject* Sender = nullptr);

    // Player panel.
    Q_INVOKABLE void Botao_PlayClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Botao_StopClick(QObject* Sender = nullptr);
    Q_INVOKABLE void TrackBar_VolumeTracking(QObject* Sender = nullptr);
    Q_INVOKABLE void Image_Volume_MaximoClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Image_Volume_MinimoClick(QObject* Sender = nullptr);

    // Station content.
    Q_INVOKABLE void Layout_ProgramacaoClick(QObject* Sender = nullptr);
    Q_INVOKABLE void ListBox_PatrocinadoresItemClick(QObject* Sender, int itemIndex);
    void LoadFromJSON(const QString& String_do_Json);
    void Load_Programacao_JSON(const QString& String_do_Json);
    void Add_Patrocinador(const QString& Codigo, const QString& Descricao, const QString& Site,
                          const QString& Icone);
    void Add_Programas(const QString& Nome_do_Programa, const QString& Descricao_do_Programa,
                       const QString& Url_do_Programa, const QString& Icone);
    void LoadImageFromURL(QImage& Img, const QString& Url);

    // Listener profile and links.
    Q_INVOKABLE void Image_Edita_Nome_OuvinteClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Spb_ConfirmaClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Spb_CancelarClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Layout_HomeClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Layout_PedidoClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Image_PromocaoClick(QObject* Sender = nullptr);

    // Tab control: slide to page i; returns after the slide, processing events meanwhile.
    bool GotoVisibleTab(int pageIndex);

    // Status reports from the radio component (any thread) reach the progress bar in order.
    void ReportStatus(int progress);

    // Property readers.
    bool overlayInFront() const { return overlayInFront_; }
    QString loadingText() const { return loadingText_; }
    bool spinnerRunning() const { return spinnerRunning_; }
    int playIconIndex() const { return playIconIndex_; }
    int stopIconIndex() const { return stopIconIndex_; }
    int playTag() const { return playTag_; }
    int stopTag() const { return stopTag_; }
    bool playing() const { return Playing; }
    double progressValue() const { return progressValue_; }
    double volumeMinimum() const { return volumeMinimum_; }
    double volumeMaximum() const { return volumeMaximum_; }
    double volumeValue() const { return volumeValue_; }
    void setVolumeValue(double value);
    QString greetingText() const { return greetingText_; }
    bool nameDialogVisible() const { return nameDialogVisible_; }
    QString nameText() const { return nameText_; }
    void setNameText(const QString& text);
    QString emailText() const { return emailText_; }
    void setEmailText(const QString& text);
    bool notificationsOn() const { return notificationsOn_; }
    void setNotificationsOn(bool on);
    int activePage() const { return activePage_; }
    int slideFromPage() const { return slideFromPage_; }
    bool sliding() const { return sliding_; }
    int slideOldX() const { return slideOldX_; }
    int slideNewX() const { return slideNewX_; }
    double tabWidth() const { return tabWidth_; }
    void setTabWidth(double width);
    QAbstractListModel* sponsorModel() const;
    QAbstractListModel* programmeModel() const;
    bool sponsorStripVisible() const { return sponsorStripVisible_; }
    QString webBrowserUrl() const { return webBrowserUrl_; }

    // The window's fields.
    std::shared_ptr<TRadio> Player_Radio_Zelvorna; // shared with a running connection thread
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
    void progressValueChanged();
    void volumeRangeChanged();
    void volumeValueChanged();
    void greetingTextChanged();
    void nameDialogVisibleChanged();
    void nameTextChanged();
    void emailTextChanged();
    void notificationsOnChanged();
    void activePageChanged();
    void slideChanged();
    void tabWidthChanged();
    void sponsorStripVisibleChanged();
    void webBrowserUrlChanged();
    // Asks the QML to give the keyboard focus to the name edit.
    void nameEditFocusRequested();

private:
    void Terminate_Carrega_Radio(zelvorna::TWorker* Sender);
    void Terminate_Form_Show(zelvorna::TWorker* Sender);
    void Thread_Carrega_Programacao_Terminate(zelvorna::TWorker* Sender);
    void ReportWorkerError(zelvorna::TWorker* Sender);
    // Greeting step of FormCreate (tf_principal_profile.cpp).
    void RunGreetingStep();
    // Body of the start-up fetch thread (tf_principal_content.cpp).
    void StartupFetchBody(zelvorna::TWorker& worker);

    // State setters (emit when the value changes).
    void setOverlayInFront(bool front);
    void setLoadingText(const QString& text);
    void setSpinnerRunning(bool running);
    void setPlayIcon(int index);
    void setStopIcon(int index);
    void setPlayTag(int tag);
    void setStopTag(int tag);
    void setPlaying(bool playing);
    void setProgressValue(double value);
    void setGreetingText(const QString& text);
    void setNameDialogVisible(bool visible);
    void setSponsorStripVisible(bool visible);

    // Player panel steps (tf_principal.cpp).
    void StartConnectionAttempt();
    void ConnectionAttemptBody(zelvorna::TWorker& worker, const std::shared_ptr<TRadio>& radio);
    void ConnectedStep();
    void TogglePlayback();
    void PassVolumeOn();

    Dependencies deps_;
    QWindow* window_ = nullptr;
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
    bool resuming_ = false; // a resuming Play runs on the main thread: presses are ignored
    // A connection attempt runs: the overlay takes pointer presses, but a focused button still
    // takes keys, so presses are ignored here too.
    bool connecting_ = false;
    QString greetingText_;
    bool nameDialogVisible_ = false;
    QString nameText_;
    QString emailText_;
    bool notificationsOn_ = true;
    int activePage_ = 0;
    int slideFromPage_ = -1;
    bool sliding_ = false;
    int slideOldX_ = 0;
    int slideNewX_ = 0;
    double tabWidth_ = 0;
    std::unique_ptr<content::TSponsorModel> sponsors_;
    std::unique_ptr<content::TProgrammeModel> programmes_;
    bool sponsorStripVisible_ = true;
    bool programmeLoadRunning_ = false;
    QString webBrowserUrl_;
    std::unique_ptr<content::TStatisticsVisit> statisticsVisit_;
};

// The one instance; set before FormCreate runs and kept for the rest of the run.
extern TF_Principal* F_Principal;

// QML's name for the one instance. Qt 6.4 builds a default-constructible singleton with `new`
// and ignores its create(); a foreign wrapper makes QML take create()'s instance instead.
struct TF_PrincipalQml {
    Q_GADGET
    QML_FOREIGN(TF_Principal)
    QML_NAMED_ELEMENT(F_Principal)
    QML_SINGLETON
public:
    static TF_Principal* create(QQmlEngine* qmlEngine, QJSEngine* jsEngine) {
        return TF_Principal::create(qmlEngine, jsEngine);
    }
};

// Radio callbacks handed to the radio component; they reach the window through F_Principal.
void StatusProc(QString pszData, int32_t Progress); // progress bar, from any thread
void BroadcastInfoProc(QString pszBroadcastName, QString pszBitRate); // shows nothing
void BroadcastMetaProc(QString pszData); // shows nothing; also on the engine's own thread
