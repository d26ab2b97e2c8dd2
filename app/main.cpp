// Start-up: the engine binding, the application object, the window tree, then the controller's
// lifecycle handlers around the event loop.

#include "app_id.h"
#include "image_provider.h"
#include "mpris.h"
#include "radio_bass.h"
#include "radio_desktop.h"
#include "single_instance.h"
#include "station_content.h"
#include "tf_principal.h"
#include "zelvorna_timing.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QMessageBox>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>
#include <memory>
#include <utility>

Q_IMPORT_QML_PLUGIN(ZelvornaPlugin)

namespace {

const QUrl kMainQml(QStringLiteral("qrc:/Zelvorna/qml/Main.qml"));

// Runs FormClose when the window is asked to close, before it goes.
class TCloseWatcher final : public QObject {
public:
    TCloseWatcher(TF_Principal& controller, QWindow& window)
        : QObject(&window), controller_(controller), window_(window) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && event->type() == QEvent::Close && !closed_) {
            closed_ = true;
            controller_.FormClose(&window_);
        }
        return false;
    }

private:
    TF_Principal& controller_;
    QWindow& window_;
    bool closed_ = false;
};

int Run(int argc, char* argv[]) {
    // Qt 6 scales per monitor already; kept explicit so a later default cannot change it.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv); // widgets: the message boxes
    // The name doubles as the display name; setting that too would make Qt append it to the
    // window's caption.
    QApplication::setApplicationName(QStringLiteral("Rádio Zelvorna"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(zelvorna::kAppId));
    QApplication::setApplicationVersion(QStringLiteral(ZELVORNA_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/app_icon.svg")));
    zelvorna::TimingMark("start: application object made");

    // One window per listener session: a second start raises the first and leaves.
    TSingleInstance instance;
    if (instance.Claim() == TSingleInstance::Outcome::HandedOver)
        return 0;

    // The player's notice for a call it cannot honour: a modal box with no owner window.
    TPlatformRadio::SetNoticeHook([](const QString& caption, const QString& text) {
        QMessageBox::information(nullptr, caption, text);
    });

    // The singleton must exist before the tree that binds to it is loaded.
    auto controller = std::make_unique<TF_Principal>();
    zelvorna::TimingMark("start: controller made");
    QQmlApplicationEngine engine;
    content::InstallImageProvider(engine, controller->content()->sponsorModel(),
                                  controller->content()->programmeModel());
    engine.load(kMainQml);
    zelvorna::TimingMark("start: window tree loaded");
    auto* window = engine.rootObjects().isEmpty()
                       ? nullptr
                       : qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    if (!window)
        return 1;

    controller->SetWindow(window);
    instance.SetWindow(controller.get());
    controller->FormCreate(window);
    zelvorna::TimingMark("start: window created");
    // On the desktop's media controls, when there is a session bus; goes before the controller.
    const TMprisService mpris(*controller);
    window->showMaximized();
    // frameSwapped may come from the render thread, more than once before it is disconnected.
    auto shown = std::make_shared<bool>(false);
    QObject::connect(
        window, &QQuickWindow::frameSwapped, controller.get(),
        [shown, ctl = controller.get(), window] {
            if (std::exchange(*shown, true))
                return;
            zelvorna::TimingMark("start: first frame shown");
            ctl->FormShow(window);
        },
        Qt::QueuedConnection);
    new TCloseWatcher(*controller, *window); // owned by the window
    return app.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    zelvorna::TimingMark("start: main entered");
    // Bound before the application object exists, released after it is gone.
    TBassLibrary engineBinding;
    zelvorna::TimingMark("start: engine bound");
    return Run(argc, argv);
}
