#include "station_content.h"

#include "feed_threads.h"
#include "http_get.h"
#include "image_fetch.h"
#include "link_opener.h"
#include "logging.h"
#include "programme_model.h"
#include "property_setter.h"
#include "sponsor_model.h"
#include "statistics_visit.h"
#include "text_get.h"
#include "worker.h"

#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QUrl>

namespace content {
namespace {

// A failed feed download goes on with empty text. Worker threads.
QString FeedText(const QString& url) {
    try {
        return HttpGetText(url);
    } catch (const ETextGetError& error) {
        qCDebug(lcContent) << "feed" << url << "failed:" << error.what();
        return QString();
    }
}

// Runs a step on the main thread: through the worker's hand-off when called on a worker,
// directly otherwise.
void OnMainThread(const std::function<void()>& step) {
    if (auto* worker = qobject_cast<zelvorna::TWorker*>(QThread::currentThread()))
        worker->Synchronize(step);
    else
        step();
}

// The boxes the pictures are shown in (logical pixels).
constexpr QSizeF kLogoBox(210, 105);
constexpr QSizeF kProgrammePictureBox(135, 135);

// Device pixels of a box on the screen the window opens on.
QSize DevicePixels(QSizeF box) {
    const QScreen* screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    return (box * ratio).toSize();
}

} // namespace

using zelvorna::TWorker;

TStationContent::TStationContent(Dependencies deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)), sponsors_(std::make_unique<TSponsorModel>()),
      programmes_(std::make_unique<TProgrammeModel>()) {}

TStationContent::~TStationContent() = default;

// ---- Start-up fetch and sponsor strip ----

void TStationContent::StartupFetch() {
    auto* worker = TWorker::Create([this](TWorker& self) { StartupFetchBody(self); });
    worker->SetOnTerminate([this](TWorker* sender) { Terminate_Form_Show(sender); });
    worker->Start();
}

// Start-up fetch thread.
void TStationContent::StartupFetchBody(TWorker& worker) {
    worker.Synchronize([this] { VisitStatisticsPage(); });
    LoadFromJSON(FeedText(deps_.sponsorFeed.toString()));
}

void TStationContent::VisitStatisticsPage() {
    webBrowserUrl_ = deps_.statisticsPage.toString();
    emit webBrowserUrlChanged();
    if (!deps_.visitStatistics)
        return;
    if (!statisticsVisit_)
        statisticsVisit_ = std::make_unique<TStatisticsVisit>();
    statisticsVisit_->Start(QUrl(webBrowserUrl_));
}

void TStationContent::Terminate_Form_Show(TWorker* Sender) {
    if (Sender && Sender->HasFatalError() && deps_.showMessage)
        deps_.showMessage(Sender->FatalErrorMessage());
}

void TStationContent::LoadFromJSON(const QString& String_do_Json) {
    OnMainThread([this] {
        sponsors_->BeginUpdate();
        sponsors_->Clear();
    });
    auto* parser = TWorker::Create([this, String_do_Json](TWorker& self) {
        RunSponsorParsing(
            self, String_do_Json,
            [this](const QString& name, const QString& description, const QString& site,
                   const QString& logo,
                   const TRowDone& done) { Add_Patrocinador(name, description, site, logo, done); },
            [this] {
                setSponsorStripVisible(true);
                sponsors_->EndUpdate();
            });
    });
    parser->Start(); // no termination handler: a broken feed shows nothing
}

void TStationContent::Add_Patrocinador(const QString& Codigo, const QString& Descricao,
                                       const QString& Site, const QString& Icone,
                                       const std::function<void()>& done) {
    LoadImageFromURL(Icone, kLogoBox, [this, Codigo, Descricao, Site, done](const QImage& logo) {
        sponsors_->Append(Codigo, Descricao, Site, logo);
        if (done)
            done();
    });
}

void TStationContent::SponsorClick(int itemIndex) {
    if (itemIndex < 0 || itemIndex >= sponsors_->rowCount() || !deps_.linkOpener)
        return;
    const QString site = sponsors_->At(itemIndex).site;
    // The feed comes over plain http: anything but a web page (a file, a program's scheme) is
    // never handed to the desktop.
    if (!IsWebAddress(site)) {
        qCDebug(lcContent) << "not a web address, not opened:" << site;
        return;
    }
    deps_.linkOpener->Open(QUrl(site, QUrl::TolerantMode),
                           profile::TLinkOpener::ShowMode::Maximized);
}

// ---- Programme list ----

void TStationContent::ProgrammesClick() {
    // A list being filled counts as filled: a second press must not start a second download.
    if (programmes_->Count() > 0 || programmeLoadRunning_) {
        if (deps_.slideToProgrammes)
            deps_.slideToProgrammes({});
        return;
    }
    programmeLoadRunning_ = true;
    // The window keeps working while the feed downloads; a failed download goes on with empty
    // text.
    const QString url = deps_.programmeFeed.toString();
    HttpGetTextAsync(url, this, [this, url](const QString& text, const QString& error) {
        if (!error.isEmpty())
            qCDebug(lcContent) << "feed" << url << "failed:" << error;
        Load_Programacao_JSON(text);
    });
}

void TStationContent::Load_Programacao_JSON(const QString& String_do_Json) {
    programmes_->Clear();
    programmes_->BeginUpdate();
    programmeLoadRunning_ = true;
    auto* parser = TWorker::Create([this, String_do_Json](TWorker& self) {
        RunProgrammeParsing(
            self, String_do_Json,
            [this](const QString& name, const QString& description, const QString& url,
                   const QString& picture,
                   const TRowDone& done) { Add_Programas(name, description, url, picture, done); });
    });
    parser->SetOnTerminate(
        [this](TWorker* sender) { Thread_Carrega_Programacao_Terminate(sender); });
    parser->Start();
}

void TStationContent::Add_Programas(const QString& Nome_do_Programa,
                                    const QString& Descricao_do_Programa,
                                    const QString& Url_do_Programa, const QString& Icone,
                                    const std::function<void()>& done) {
    LoadImageFromURL(Icone, kProgrammePictureBox,
                     [this, Nome_do_Programa, Descricao_do_Programa, Url_do_Programa,
                      done](const QImage& picture) {
                         programmes_->Append(Nome_do_Programa, Descricao_do_Programa,
                                             Url_do_Programa, picture);
                         if (done)
                             done();
                     });
}

// The list is slid into view before any message is shown: the message waits for the slide.
void TStationContent::Thread_Carrega_Programacao_Terminate(TWorker* Sender) {
    programmes_->EndUpdate();
    const QString error =
        Sender && Sender->HasFatalError() ? Sender->FatalErrorMessage() : QString();
    auto afterSlide = [this, error] {
        if (!error.isEmpty() && deps_.showMessage)
            deps_.showMessage(error);
        // Cleared only now: a press during the slide or the message must not download again.
        programmeLoadRunning_ = false;
    };
    if (deps_.slideToProgrammes)
        deps_.slideToProgrammes(afterSlide);
    else
        afterSlide();
}

void TStationContent::LoadImageFromURL(const QString& Url, QSizeF shownSize,
                                       std::function<void(QImage)> then) {
    FetchImageAsync(Url, DevicePixels(shownSize), this, std::move(then));
}

// ---- Properties ----

QAbstractListModel* TStationContent::sponsorModel() const {
    return sponsors_.get();
}

QAbstractListModel* TStationContent::programmeModel() const {
    return programmes_.get();
}

void TStationContent::setSponsorStripVisible(bool visible) {
    zelvorna::SetAndNotify(this, sponsorStripVisible_, visible,
                           &TStationContent::sponsorStripVisibleChanged);
}

} // namespace content
