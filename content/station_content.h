#pragma once
// The station content: the start-up fetch with the statistics visit, the sponsor strip and the
// programme list filled from their feeds, their pictures, and the sponsors' links.
//
// Threads: every member runs on the main thread, except LoadFromJSON (the start-up fetch thread
// calls it; its step on the strip reaches the main thread through the worker's hand-off). No
// member waits: downloads on the main thread run in its event loop and the steps after them run
// when they end.

#include <QImage>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class QAbstractListModel;

namespace profile {
class TLinkOpener;
}
namespace zelvorna {
class TWorker;
}

namespace content {

class TSponsorModel;
class TProgrammeModel;
class TStatisticsVisit;

class TStationContent : public QObject {
    Q_OBJECT
    Q_PROPERTY(QAbstractListModel* sponsorModel READ sponsorModel CONSTANT)
    Q_PROPERTY(QAbstractListModel* programmeModel READ programmeModel CONSTANT)
    Q_PROPERTY(bool sponsorStripVisible READ sponsorStripVisible NOTIFY sponsorStripVisibleChanged)
    // Address the hidden browser was pointed at (empty until the start-up fetch does so).
    Q_PROPERTY(QString webBrowserUrl READ webBrowserUrl NOTIFY webBrowserUrlChanged)

public:
    struct Dependencies {
        QUrl sponsorFeed;   // the station's feeds and the page
        QUrl programmeFeed; // its statistics visit loads
        QUrl statisticsPage;
        bool visitStatistics = true;                     // start the hidden statistics visit
        std::function<void(const QString&)> showMessage; // a worker's error (message box)
        std::shared_ptr<profile::TLinkOpener> linkOpener;
        // Slides to the programme page and runs then once the slide has ended (at once when
        // there is no slide to run).
        std::function<void(std::function<void()> then)> slideToProgrammes;
    };

    explicit TStationContent(Dependencies deps, QObject* parent = nullptr);
    ~TStationContent() override;

    // The window was shown: starts the start-up fetch thread.
    void StartupFetch();
    // Empties the strip in an update and starts the sponsor parsing thread.
    void LoadFromJSON(const QString& String_do_Json);
    // Fetches the logo, then appends the card and runs done.
    void Add_Patrocinador(const QString& Codigo, const QString& Descricao, const QString& Site,
                          const QString& Icone, const std::function<void()>& done = {});
    void SponsorClick(int itemIndex);

    // "Programas": slides to a filled list, or downloads the feed and fills the list first.
    void ProgrammesClick();
    void Load_Programacao_JSON(const QString& String_do_Json);
    // Fetches the picture, then appends the row and runs done.
    void Add_Programas(const QString& Nome_do_Programa, const QString& Descricao_do_Programa,
                       const QString& Url_do_Programa, const QString& Icone,
                       const std::function<void()>& done = {});

    // Downloads a picture to be shown in a box of shownSize (logical pixels); then gets it at no
    // more than that size on this screen, or a null image when there is none to show.
    void LoadImageFromURL(const QString& Url, QSizeF shownSize, std::function<void(QImage)> then);

    QAbstractListModel* sponsorModel() const;
    QAbstractListModel* programmeModel() const;
    TSponsorModel& Sponsors() const { return *sponsors_; }
    TProgrammeModel& Programmes() const { return *programmes_; }
    bool sponsorStripVisible() const { return sponsorStripVisible_; }
    QString webBrowserUrl() const { return webBrowserUrl_; }
    // A download or parsing of the programme feed runs: a press only slides meanwhile.
    bool ProgrammeLoadRunning() const { return programmeLoadRunning_; }

signals:
    void sponsorStripVisibleChanged();
    void webBrowserUrlChanged();

private:
    void StartupFetchBody(zelvorna::TWorker& worker);
    void Terminate_Form_Show(zelvorna::TWorker* Sender);
    void Thread_Carrega_Programacao_Terminate(zelvorna::TWorker* Sender);
    void VisitStatisticsPage();
    void setSponsorStripVisible(bool visible);

    Dependencies deps_;
    std::unique_ptr<TSponsorModel> sponsors_;
    std::unique_ptr<TProgrammeModel> programmes_;
    bool sponsorStripVisible_ = true;
    bool programmeLoadRunning_ = false;
    QString webBrowserUrl_;
    std::unique_ptr<TStatisticsVisit> statisticsVisit_;
};

} // namespace content
