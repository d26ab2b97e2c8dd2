// The window's station-content handlers: the start-up fetch, the sponsor strip and the programme
// list.

#include "tf_principal.h"

#include "content/feed_threads.h"
#include "content/image_fetch.h"
#include "content/programme_model.h"
#include "content/sponsor_model.h"
#include "content/statistics_visit.h"
#include "content/text_get.h"
#include "profile/link_opener.h"
#include "worker.h"

#include <QThread>
#include <QUrl>

namespace {

// A failed feed download goes on with empty text.
QString FeedText(const QString& url) {
    try {
        return content::HttpGetText(url);
    } catch (const content::ETextGetError&) {
        return QString();
    }
}

// Runs a user-interface step on the main thread: through the worker's hand-off when called on a
// worker, directly otherwise.
void OnMainThread(const std::function<void()>& step) {
    if (auto* worker = qobject_cast<zelvorna::TWorker*>(QThread::currentThread()))
        worker->Synchronize(step);
    else
        step();
}

} // namespace

void TF_Principal::StartupFetchBody(zelvorna::TWorker& worker) {
    worker.Synchronize([this] {
        webBrowserUrl_ = "https://" + deps_.siteHost + "/estatistica_app.php";
        emit webBrowserUrlChanged();
        if (deps_.visitStatistics) {
            if (!statisticsVisit_)
                statisticsVisit_ = std::make_unique<content::TStatisticsVisit>();
            statisticsVisit_->Start(QUrl(webBrowserUrl_));
        }
    });
    LoadFromJSON(FeedText("http://" + deps_.siteHost + "/patrocinadores.json"));
}

void TF_Principal::LoadFromJSON(const QString& String_do_Json) {
    OnMainThread([this] {
        sponsors_->BeginUpdate();
        sponsors_->Clear();
    });
    zelvorna::TWorker* parser =
        zelvorna::TWorker::Create([this, String_do_Json](zelvorna::TWorker& self) {
            content::RunSponsorParsing(
                self, String_do_Json,
                [this](const QString& name, const QString& description, const QString& site,
                       const QString& logo) { Add_Patrocinador(name, description, site, logo); },
                [this] {
                    setSponsorStripVisible(true);
                    sponsors_->EndUpdate();
                });
        });
    parser->Start(); // no termination handler: a broken feed shows nothing
}

void TF_Principal::Add_Patrocinador(const QString& Codigo, const QString& Descricao,
                                    const QString& Site, const QString& Icone) {
    QImage logo;
    LoadImageFromURL(logo, Icone);
    sponsors_->Append(Codigo, Descricao, Site, logo);
}

void TF_Principal::ListBox_PatrocinadoresItemClick(QObject* Sender, int itemIndex) {
    Q_UNUSED(Sender);
    if (itemIndex < 0 || itemIndex >= sponsors_->rowCount() || !deps_.linkOpener)
        return;
    const QString site = sponsors_->At(itemIndex).site;
    deps_.linkOpener->Open(QUrl(site, QUrl::TolerantMode),
                           profile::TLinkOpener::ShowMode::Maximized);
}

void TF_Principal::Layout_ProgramacaoClick(QObject* Sender) {
    Q_UNUSED(Sender);
    // A list being filled counts as filled: a second press must not start a second download.
    if (programmes_->Count() > 0 || programmeLoadRunning_) {
        GotoVisibleTab(1);
        return;
    }
    programmeLoadRunning_ = true;
    Load_Programacao_JSON(FeedText("http://" + deps_.siteHost + "/programacao.json"));
}

void TF_Principal::Load_Programacao_JSON(const QString& String_do_Json) {
    programmes_->Clear();
    programmes_->BeginUpdate();
    programmeLoadRunning_ = true;
    zelvorna::TWorker* parser =
        zelvorna::TWorker::Create([this, String_do_Json](zelvorna::TWorker& self) {
            content::RunProgrammeParsing(
                self, String_do_Json,
                [this](const QString& name, const QString& description, const QString& url,
                       const QString& picture) { Add_Programas(name, description, url, picture); });
        });
    parser->SetOnTerminate(
        [this](zelvorna::TWorker* sender) { Thread_Carrega_Programacao_Terminate(sender); });
    parser->Start();
}

void TF_Principal::Add_Programas(const QString& Nome_do_Programa,
                                 const QString& Descricao_do_Programa,
                                 const QString& Url_do_Programa, const QString& Icone) {
    QImage picture;
    LoadImageFromURL(picture, Icone);
    programmes_->Append(Nome_do_Programa, Descricao_do_Programa, Url_do_Programa, picture);
}

void TF_Principal::Thread_Carrega_Programacao_Terminate(zelvorna::TWorker* Sender) {
    programmes_->EndUpdate();
    GotoVisibleTab(1);
    ReportWorkerError(Sender);
    // Cleared only now: a press during the slide or the message must not download again.
    programmeLoadRunning_ = false;
}

void TF_Principal::LoadImageFromURL(QImage& Img, const QString& Url) {
    content::FetchImage(Img, Url);
}

QAbstractListModel* TF_Principal::sponsorModel() const {
    return sponsors_.get();
}

QAbstractListModel* TF_Principal::programmeModel() const {
    return programmes_.get();
}
