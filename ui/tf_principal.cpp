// The window's lifecycle, its handlers' forwards to the parts, and the slide of the tab control.

#include "tf_principal.h"

#include "deployment.h"
#include "ini_file.h"
#include "link_opener.h"
#include "listener_profile.h"
#include "main_thread.h"
#include "player_panel.h"
#include "property_setter.h"
#include "radio.h"
#include "station_addresses.h"
#include "station_content.h"
#include "worker.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJSEngine>
#include <QMessageBox>
#include <QMetaObject>
#include <QQmlEngine>
#include <QWindow>
#include <algorithm>
#include <cmath>

TF_Principal* F_Principal = nullptr;

namespace {

constexpr int kPageCount = 2;
constexpr int kProgrammePage = 1;
constexpr int kSlideMs = 300;
constexpr int kSlideTickMs = 16;

// A modal box with the application's title, the text and one OK button: the one nested event
// loop of the window.
void ShowPlainBox(const QString& text) {
    auto show = [text] {
        QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text,
                        QMessageBox::Ok);
        box.exec();
    };
    if (zelvorna::OnMainThread())
        show();
    else
        QMetaObject::invokeMethod(qApp, show, Qt::BlockingQueuedConnection);
}

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

// Also called on the engine's own thread: it only posts the title to the main thread.
void BroadcastMetaProc(QString pszData) {
    if (zelvorna::TWorker::ShuttingDown())
        return;
    if (F_Principal)
        F_Principal->player()->ReportStreamTitle(pszData);
}

// The engine's thread: handed on to the main thread by the player panel.
void StreamNoticeProc(TStreamNotice notice) {
    if (zelvorna::TWorker::ShuttingDown())
        return;
    if (F_Principal)
        F_Principal->player()->ReportStreamNotice(notice);
}

TF_Principal::Dependencies TF_Principal::DefaultDependencies() {
    Dependencies deps;
    deps.makeRadio = [] { return std::make_unique<TRadio>(); };
    deps.showMessage = ShowPlainBox;
    deps.showDefaultError = ShowPlainBox;
    deps.linkOpener = std::make_shared<profile::TDesktopLinkOpener>();
    const profile::TSettingsFiles settings =
        profile::SettingsFiles(QCoreApplication::applicationDirPath());
    deps.settingsPath = settings.own;
    deps.settingsDefaultPath = settings.systemDefault;
    deps.streamHost = QString::fromUtf8(deployment::kStreamHost);
    deps.siteHost = QString::fromUtf8(deployment::kSiteHost);
    deps.requestEmail = QString::fromUtf8(deployment::kRequestEmail);
    return deps;
}

TF_Principal::TF_Principal(Dependencies deps, QObject* parent) : QObject(parent) {
    const auto addresses =
        zelvorna::TStationAddresses::From(deps.streamHost, deps.siteHost, deps.requestEmail);
    player_ = std::make_unique<TPlayerPanel>(TPlayerPanel::Dependencies{
        deps.makeRadio, deps.showMessage, deps.showDefaultError, addresses.streams, &StatusProc,
        &BroadcastInfoProc, &BroadcastMetaProc, &StreamNoticeProc});
    content_ = std::make_unique<content::TStationContent>(content::TStationContent::Dependencies{
        addresses.sponsorFeed, addresses.programmeFeed, addresses.statisticsPage,
        deps.visitStatistics, deps.showMessage, deps.linkOpener,
        [this](std::function<void()> then) { GotoVisibleTab(kProgrammePage, std::move(then)); }});
    profile_ = std::make_unique<profile::TListenerProfile>(profile::TListenerProfile::Dependencies{
        deps.settingsPath, deps.settingsDefaultPath, deps.linkOpener, deps.showDefaultError,
        addresses.promotionsPage, addresses.songRequest});
    slideTimer_.setInterval(kSlideTickMs);
    connect(&slideTimer_, &QTimer::timeout, this, &TF_Principal::SlideStep);
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
    player_->CreateRadio(window_);
    profile_->RunGreetingStep();
    player_->SetUpVolume();
}

void TF_Principal::FormShow(QObject* Sender) {
    Q_UNUSED(Sender);
    content_->StartupFetch();
}

// From now on no worker reaches the window; the player panel lets go of the radio component.
void TF_Principal::FormClose(QObject* Sender) {
    Q_UNUSED(Sender);
    zelvorna::TWorker::BeginShutdown();
    slideTimer_.stop();
    player_->Shutdown();
}

// ---- Forwards to the parts ----

void TF_Principal::Botao_PlayClick(QObject* Sender) {
    Q_UNUSED(Sender);
    player_->PlayClick();
}

void TF_Principal::Botao_StopClick(QObject* Sender) {
    Q_UNUSED(Sender);
    player_->StopClick();
}

void TF_Principal::TrackBar_VolumeTracking(QObject* Sender) {
    Q_UNUSED(Sender);
    player_->VolumeTracking();
}

void TF_Principal::Image_Volume_MaximoClick(QObject* Sender) {
    Q_UNUSED(Sender);
    player_->VolumeUpClick();
}

void TF_Principal::Image_Volume_MinimoClick(QObject* Sender) {
    Q_UNUSED(Sender);
    player_->VolumeDownClick();
}

void TF_Principal::ReportStatus(int progress) {
    player_->ReportStatus(progress);
}

void TF_Principal::RaiseWindow(const QString& activationToken) {
    if (!window_)
        return;
    // Qt's Wayland shell hands this token to the compositor with the next activation.
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    if (window_->windowStates() & Qt::WindowMinimized)
        window_->setWindowStates(window_->windowStates() & ~Qt::WindowMinimized);
    window_->raise();
    window_->requestActivate();
}

void TF_Principal::Layout_ProgramacaoClick(QObject* Sender) {
    Q_UNUSED(Sender);
    content_->ProgrammesClick();
}

void TF_Principal::ListBox_PatrocinadoresItemClick(QObject* Sender, int itemIndex) {
    Q_UNUSED(Sender);
    content_->SponsorClick(itemIndex);
}

void TF_Principal::Image_Edita_Nome_OuvinteClick(QObject* Sender) {
    Q_UNUSED(Sender);
    profile_->EditNameClick();
}

void TF_Principal::Spb_ConfirmaClick(QObject* Sender) {
    Q_UNUSED(Sender);
    profile_->ConfirmClick();
}

void TF_Principal::Spb_CancelarClick(QObject* Sender) {
    Q_UNUSED(Sender);
    profile_->CancelClick();
}

void TF_Principal::Layout_PedidoClick(QObject* Sender) {
    Q_UNUSED(Sender);
    profile_->SongRequestClick();
}

void TF_Principal::Image_PromocaoClick(QObject* Sender) {
    Q_UNUSED(Sender);
    profile_->PromotionsClick();
}

// ---- Tab control ----

void TF_Principal::Layout_HomeClick(QObject* Sender) {
    Q_UNUSED(Sender);
    GotoVisibleTab(0);
}

bool TF_Principal::GotoVisibleTab(int pageIndex, std::function<void()> then) {
    if (pageIndex < 0 || pageIndex >= kPageCount || pageIndex == activePage_ || sliding_) {
        if (then)
            then();
        return false;
    }
    // Normal direction: the new page comes in from the right; going back, from the left.
    slideDirection_ = pageIndex > activePage_ ? 1 : -1;
    slideWidth_ = static_cast<int>(std::lround(tabWidth_));
    afterSlide_ = std::move(then);

    sliding_ = true;
    slideFromPage_ = activePage_;
    slideOldX_ = 0;
    slideNewX_ = slideDirection_ * slideWidth_;
    activePage_ = pageIndex;
    emit activePageChanged();
    emit slideChanged();
    slideClock_.start();
    slideTimer_.start();
    return true;
}

// One frame of the slide: both pages move at constant speed, in whole pixels.
void TF_Principal::SlideStep() {
    const double done = std::min(1.0, double(slideClock_.elapsed()) / kSlideMs);
    const int moved = static_cast<int>(std::lround(done * slideWidth_));
    slideOldX_ = -slideDirection_ * moved;
    slideNewX_ = slideDirection_ * (slideWidth_ - moved);
    emit slideChanged();
    if (done < 1.0)
        return;

    slideTimer_.stop();
    sliding_ = false;
    slideFromPage_ = -1;
    slideOldX_ = 0;
    slideNewX_ = 0;
    emit slideChanged();
    if (auto then = std::exchange(afterSlide_, {}))
        then();
}

void TF_Principal::setTabWidth(double width) {
    zelvorna::SetAndNotify(this, tabWidth_, width, &TF_Principal::tabWidthChanged);
}
