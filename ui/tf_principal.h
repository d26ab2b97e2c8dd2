#pragma once
// The main window's class: every handler of the window, each a short forward to the part it
// belongs to (the player panel, the station content, the listener profile), and the tab
// control's slide, which is the window's own. One instance, F_Principal. Handlers only change
// state; they never create or destroy items of the QML tree.
//
// Threads: every member on the main thread, except ReportStatus (any thread). Nothing here waits:
// downloads and the slide run in the event loop and the steps after them run when they end.

#include "listener_profile.h"
#include "player_panel.h"
#include "station_content.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QtQml/qqml.h>
#include <QtQml/qqmlregistration.h>
#include <cstdint>
#include <functional>
#include <memory>

class QQmlEngine;
class QJSEngine;
class QWindow;
class TRadio;

class TF_Principal : public QObject {
    Q_OBJECT
    // The parts, whose state the QML tree binds to.
    Q_PROPERTY(TPlayerPanel* player READ player CONSTANT)
    Q_PROPERTY(content::TStationContent* content READ content CONSTANT)
    Q_PROPERTY(profile::TListenerProfile* profile READ profile CONSTANT)

    // Tab control and its slide: during a slide the old page's content sits at slideOldX and the
    // new page's at slideNewX (whole pixels, relative to the tab control); otherwise the active
    // page sits at 0. The QML writes the tab control's width into tabWidth.
    Q_PROPERTY(int activePage READ activePage NOTIFY activePageChanged)
    Q_PROPERTY(int slideFromPage READ slideFromPage NOTIFY slideChanged)
    Q_PROPERTY(bool sliding READ sliding NOTIFY slideChanged)
    Q_PROPERTY(int slideOldX READ slideOldX NOTIFY slideChanged)
    Q_PROPERTY(int slideNewX READ slideNewX NOTIFY slideChanged)
    Q_PROPERTY(double tabWidth READ tabWidth WRITE setTabWidth NOTIFY tabWidthChanged)

public:
    // What tests replace; defaults are the real parts and the compiled-in deployment values.
    struct Dependencies {
        std::function<std::unique_ptr<TRadio>()> makeRadio;   // default: TRadio with the engine
        std::function<void(const QString&)> showMessage;      // worker errors (QMessageBox)
        std::function<void(const QString&)> showDefaultError; // uncaught handler errors
        std::shared_ptr<profile::TLinkOpener> linkOpener;     // default: the desktop's opener
        QString settingsPath;        // default: beside the executable, else the listener's own
        QString settingsDefaultPath; // default: the system's, read until the listener has one
        QString streamHost;          // host of https://HOST:8000/radiozelvorna and http://...
        QString siteHost;            // host[:port] of the station's website
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

    // Listener profile and links.
    Q_INVOKABLE void Image_Edita_Nome_OuvinteClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Spb_ConfirmaClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Spb_CancelarClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Layout_HomeClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Layout_PedidoClick(QObject* Sender = nullptr);
    Q_INVOKABLE void Image_PromocaoClick(QObject* Sender = nullptr);

    // Tab control: starts the slide to page i and returns whether it started; then runs when the
    // slide has finished, or at once when none was started.
    bool GotoVisibleTab(int pageIndex, std::function<void()> then = {});

    // Status reports from the radio component (any thread) reach the progress bar in order.
    void ReportStatus(int progress);
    // Brings the window to the front for the desktop (MPRIS Raise, a second start). The token is
    // the desktop's activation token for Wayland, if the caller had one.
    void RaiseWindow(const QString& activationToken = {});

    TPlayerPanel* player() const { return player_.get(); }
    content::TStationContent* content() const { return content_.get(); }
    profile::TListenerProfile* profile() const { return profile_.get(); }
    int activePage() const { return activePage_; }
    int slideFromPage() const { return slideFromPage_; }
    bool sliding() const { return sliding_; }
    int slideOldX() const { return slideOldX_; }
    int slideNewX() const { return slideNewX_; }
    double tabWidth() const { return tabWidth_; }
    void setTabWidth(double width);

signals:
    void activePageChanged();
    void slideChanged();
    void tabWidthChanged();

private:
    void SlideStep();

    QWindow* window_ = nullptr;
    std::unique_ptr<TPlayerPanel> player_;
    std::unique_ptr<content::TStationContent> content_;
    std::unique_ptr<profile::TListenerProfile> profile_;

    int activePage_ = 0;
    int slideFromPage_ = -1;
    bool sliding_ = false;
    int slideDirection_ = 1;
    int slideWidth_ = 0;
    int slideOldX_ = 0;
    int slideNewX_ = 0;
    double tabWidth_ = 0;
    QTimer slideTimer_;
    QElapsedTimer slideClock_;
    std::function<void()> afterSlide_;
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
void BroadcastMetaProc(QString pszData);     // shows nothing; also on the engine's own thread
void StreamNoticeProc(TStreamNotice notice); // the engine's thread: lost, back, ended
