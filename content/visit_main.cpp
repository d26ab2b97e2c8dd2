// zelvorna-visit URL: loads one page in a browser page that is never shown, then exits.
// Runs beside the application so the browser engine's memory ends with this process.

#include <QGuiApplication>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <unistd.h>

namespace {
constexpr int kGiveUpMs = 30000;
}

int main(int argc, char* argv[]) {
    // The browser engine refuses to start as root with its sandbox on.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2)
        return 2;
    const QUrl url(args.at(1));
    if (!url.isValid())
        return 2;

    QWebEnginePage page;
    page.settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    QObject::connect(&page, &QWebEnginePage::loadFinished, &app,
                     [](bool ok) { QCoreApplication::exit(ok ? 0 : 1); });
    QTimer::singleShot(kGiveUpMs, &app, [] { QCoreApplication::exit(3); });
    page.load(url);
    return app.exec();
}
