// The window as a listener uses it, against the demo station on loopback: sponsors with logos,
// the programme list sliding in, play to 100 % with audio at the device, stop to silence, the
// greeting from the settings file, and a prompt close.

#include "engine_test_server.h"
#include "image_provider.h"
#include "item_finder.h"
#include "link_recorder.h"
#include "listener_profile.h"
#include "player_panel.h"
#include "radio.h"
#include "radio_bass.h"
#include "station_content.h"
#include "tf_principal.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QFile>
#include <QMutex>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>
#include <cmath>
#include <memory>

Q_IMPORT_QML_PLUGIN(ZelvornaPlugin)

namespace {

// Titles the radio component reported; its callbacks carry no context, so a plain list.
QMutex titlesLock;
QStringList reportedTitles;

void RecordTitle(QString text) {
    const QMutexLocker lock(&titlesLock);
    if (reportedTitles.isEmpty() || reportedTitles.constLast() != text)
        reportedTitles.append(text);
}

QStringList TitlesSoFar() {
    const QMutexLocker lock(&titlesLock);
    return reportedTitles;
}

// Peak of the float stereo PCM that the disk driver wrote from byte offset `from` on.
float PeakSince(const QString& path, qint64 from) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        return -1;
    const QByteArray bytes = file.readAll();
    const auto* samples = reinterpret_cast<const float*>(bytes.constData());
    float peak = 0;
    for (qsizetype i = 0; i < bytes.size() / qsizetype(sizeof(float)); ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

qint64 FileSize(const QString& path) {
    return QFileInfo(path).size();
}

} // namespace

class TstEndToEnd : public QObject {
    Q_OBJECT

public:
    explicit TstEndToEnd(QString capture) : capture_(std::move(capture)) {}

private:
    QString capture_;
    ScriptServer station_;
    ScriptServer web_;
    QTemporaryDir settingsDir_;
    std::shared_ptr<TRecordingOpener> opener_ = std::make_shared<TRecordingOpener>();
    QStringList messages_;
    std::unique_ptr<TF_Principal> controller_;
    std::unique_ptr<QQmlApplicationEngine> engine_;
    QQuickWindow* window_ = nullptr;

    QQuickItem* item(const char* name) {
        QQuickItem* found = FindItem(window_->contentItem(), QString::fromLatin1(name));
        if (!found)
            qFatal("no item named %s", name);
        return found;
    }

    void click(const char* name) {
        QQuickItem* target = item(name);
        QVERIFY(target);
        const QPointF centre =
            target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(window_, Qt::LeftButton, {}, centre.toPoint());
    }

private slots:
    void initTestCase() {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 8000))
            QSKIP("port 8000 is in use: the stream port of the application is fixed");
        probe.close();
        QVERIFY(station_.start(
            "scripts/icecast_station.py",
            {"--port", "8000", "--title-interval", "2", "--workdir", E2E_CACHE "/icecast", "--tls"},
            "READY (\\S+)", 90000));
        const QString webPort = QString::number(ScriptServer::freePort());
        QVERIFY(web_.start("scripts/demo_web.py",
                           {"--port", webPort, "--workdir", E2E_CACHE "/web"}, "READY (\\S+)",
                           30000));

        QFile settings(settingsDir_.filePath("Configuracao.ini"));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[Ouvinte]\r\nNome_do_Ouvinte=Ana\r\n");
        settings.close();

        TF_Principal::Dependencies deps = TF_Principal::DefaultDependencies();
        deps.showMessage = [this](const QString& text) { messages_.append(text); };
        deps.showDefaultError = [this](const QString& text) { messages_.append(text); };
        deps.linkOpener = opener_;
        deps.settingsPath = settings.fileName();
        deps.streamHost = QStringLiteral("localhost");
        deps.siteHost = QStringLiteral("localhost:") + webPort;
        controller_ = std::make_unique<TF_Principal>(std::move(deps));

        engine_ = std::make_unique<QQmlApplicationEngine>();
        content::InstallImageProvider(*engine_, controller_->content()->sponsorModel(),
                                      controller_->content()->programmeModel());
        engine_->load(QUrl(QStringLiteral("qrc:/Zelvorna/qml/Main.qml")));
        QVERIFY(!engine_->rootObjects().isEmpty());
        window_ = qobject_cast<QQuickWindow*>(engine_->rootObjects().constFirst());
        QVERIFY(window_);
        controller_->SetWindow(window_);
        controller_->FormCreate(window_);
        window_->resize(424, 989);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
        controller_->FormShow(window_);
    }

    void greetsTheStoredListener() {
        QCOMPARE(controller_->profile()->greetingText(), QString::fromUtf8("Olá, Ana"));
        QCOMPARE(item("Lbl_Nome_Ouvinte")->property("text").toString(),
                 QString::fromUtf8("Olá, Ana"));
        QVERIFY(!controller_->profile()->nameDialogVisible());
    }

    void sponsorsAppearWithLogos() {
        QAbstractListModel* sponsors = controller_->content()->sponsorModel();
        QTRY_VERIFY_WITH_TIMEOUT(
            sponsors->rowCount() > 0 && controller_->content()->sponsorStripVisible(), 20000);
        const QHash<int, QByteArray> roles = sponsors->roleNames();
        const int logoRole = roles.key("logo");
        const int nameRole = roles.key("name");
        int withLogo = 0;
        for (int row = 0; row < sponsors->rowCount(); ++row) {
            QVERIFY(!sponsors->index(row).data(nameRole).toString().isEmpty());
            withLogo += sponsors->index(row).data(logoRole).toString().isEmpty() ? 0 : 1;
        }
        QVERIFY2(withLogo == sponsors->rowCount(), "every demo sponsor has a logo");
    }

    void sponsorCardOpensItsSite() {
        QAbstractListModel* sponsors = controller_->content()->sponsorModel();
        const QString site = sponsors->index(0).data(sponsors->roleNames().key("site")).toString();
        controller_->ListBox_PatrocinadoresItemClick(nullptr, 0);
        QCOMPARE(opener_->opened.size(), 1);
        QCOMPARE(opener_->opened.constFirst().url, QUrl(site));
    }

    void programmesSlideIntoView() {
        click("Layout_Programacao");
        QTRY_VERIFY_WITH_TIMEOUT(controller_->content()->programmeModel()->rowCount() > 0, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(controller_->activePage() == 1 && !controller_->sliding(), 5000);
        click("Layout_Home");
        QTRY_VERIFY_WITH_TIMEOUT(controller_->activePage() == 0 && !controller_->sliding(), 5000);
        QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('\n')));
    }

    void playBuffersToFullAndSoundReachesTheDevice() {
        click("Botao_Play");
        QVERIFY(controller_->player()->overlayInFront()); // raised before the handler returned
        QVERIFY(controller_->player()->spinnerRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!controller_->player()->overlayInFront(), 20000);
        QVERIFY(controller_->player()->playing());
        QCOMPARE(controller_->player()->progressValue(), 100.0);
        QCOMPARE(controller_->player()->playIconIndex(), 3);
        QVERIFY(!controller_->player()->spinnerRunning());
#ifdef ZELVORNA_DEMO_STATION
        QVERIFY2(station_.output().contains("LISTENER https\n") &&
                     !station_.output().contains("LISTENER http\n"),
                 "the window plays the https address, the first it tries");
#endif
        const qint64 mark = FileSize(capture_);
        QTest::qWait(2000);
        QVERIFY2(FileSize(capture_) > mark, "the device keeps consuming audio");
        QVERIFY2(PeakSince(capture_, mark) > 0.05f, "the station is audible at the device");
    }

    // The window shows no title, but the playing radio component must keep reporting them.
    void titleChangesArriveWhilePlaying() {
        controller_->player()->Player_Radio_Zelvorna->SetBroadcastMetaProc(&RecordTitle);
        QTRY_VERIFY_WITH_TIMEOUT(TitlesSoFar().size() >= 2, 15000);
        for (const QString& title : TitlesSoFar())
            QVERIFY2(title.startsWith(QString::fromUtf8("Zelvorna Trio - Canção ")),
                     qPrintable(title));
    }

    void stopSilencesTheStream() {
        click("Botao_Stop");
        QCOMPARE(controller_->player()->stopIconIndex(), 5);
        QCOMPARE(controller_->player()->playIconIndex(), 0);
        QCOMPARE(controller_->player()->progressValue(), 0.0);
        QTest::qWait(300);
        const qint64 mark = FileSize(capture_);
        QTest::qWait(1000);
        QVERIFY(FileSize(capture_) > mark);
        QCOMPARE(PeakSince(capture_, mark), 0.0f);
    }

    void closingReturnsPromptly() {
        QElapsedTimer timer;
        timer.start();
        controller_->FormClose(window_);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!controller_->player()->Player_Radio_Zelvorna);
    }

    void cleanupTestCase() {
        engine_.reset();
        controller_.reset();
        web_.stop();
        station_.stop();
    }
};

int main(int argc, char* argv[]) {
    // The device writes what would be heard into a file; set before the engine opens it.
    QTemporaryDir captureDir;
    const QString capture = captureDir.filePath("device.pcm");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", capture.toLocal8Bit());
    TBassLibrary engineBinding;
    QApplication app(argc, argv);
    TstEndToEnd test(capture);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_end_to_end.moc"
