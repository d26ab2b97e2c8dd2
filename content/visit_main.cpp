// zelvorna-visit URL: loads one page in a browser page that is never shown, then exits.
// Runs beside the application so the browser engine's memory ends with this process.
//
// The page is the station site's, and its scripts are not ours: the visit is bounded whatever
// they do. The JavaScript heap has a ceiling; a watchdog adds up the memory of this process and
// of the browser engine's helpers (all in this process's group, which the window made for it)
// and ends the whole group past kTreeMemoryLimit; and the visit ends after kGiveUpMs at most.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr int kGiveUpMs = 15000;
constexpr int kWatchIntervalMs = 25;
// The window allows the visit 512 MB in all; the watchdog stops well short of it, since memory
// can still grow between two looks (a plain page needs about 150 MB).
constexpr qint64 kTreeMemoryLimit = 320LL * 1024 * 1024;
constexpr char kJsHeapFlags[] = "--js-flags=--max-old-space-size=128 --renderer-process-limit=1";

enum ExitCode { kLoaded = 0, kLoadFailed = 1, kUsage = 2, kTimedOut = 3, kOverMemory = 4 };

// Proportional memory where the kernel lets us read it, else resident memory (which counts the
// shared libraries once per process, so it errs on the safe side).
qint64 ProcessMemory(const QString& pid) {
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (rollup.open(QIODevice::ReadOnly)) {
        for (QByteArray line = rollup.readLine(); !line.isEmpty(); line = rollup.readLine())
            if (line.startsWith("Pss:"))
                return line.mid(4).trimmed().split(' ').constFirst().toLongLong() * 1024;
    }
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

// The process group of a /proc entry (field 5 of its stat), or -1.
pid_t ProcessGroup(const QString& pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 2 ? static_cast<pid_t>(fields[2].toInt()) : -1;
}

qint64 GroupMemory(pid_t group) {
    qint64 total = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool numeric = false;
        entry.toInt(&numeric);
        if (numeric && ProcessGroup(entry) == group)
            total += ProcessMemory(entry);
    }
    return total;
}

bool OwnGroup() {
    return getpgrp() == getpid();
}

// The memory of the visit: the whole group when it is ours, else this process alone.
qint64 VisitMemory() {
    return OwnGroup() ? GroupMemory(getpgrp()) : ProcessMemory(QStringLiteral("self"));
}

// Ends the browser engine's helpers with this process, all at once; a group is only ended when
// it is ours.
[[noreturn]] void EndVisit(int code) {
    if (OwnGroup())
        kill(0, SIGKILL);
    _exit(code);
}

void AddChromiumFlags(const QByteArray& flags) {
    QByteArray all = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    all += (all.isEmpty() ? "" : " ") + flags;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", all);
}

} // namespace

int main(int argc, char* argv[]) {
    // The time limit holds from the first instruction, whatever the event loop is doing.
    std::signal(SIGALRM, [](int) { EndVisit(kTimedOut); });
    alarm(kGiveUpMs / 1000);
    // The browser engine refuses to start as root with its sandbox on.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    AddChromiumFlags(kJsHeapFlags);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2)
        return kUsage;
    const QUrl url(args.at(1));
    if (!url.isValid())
        return kUsage;

    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, &app, [] {
        if (VisitMemory() > kTreeMemoryLimit)
            EndVisit(kOverMemory);
    });
    watchdog.start(kWatchIntervalMs);

    QWebEnginePage page;
    page.settings()->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    QObject::connect(&page, &QWebEnginePage::loadFinished, &app,
                     [](bool ok) { QCoreApplication::exit(ok ? kLoaded : kLoadFailed); });
    // A renderer stopped for its memory or a crash ends the visit too.
    QObject::connect(&page, &QWebEnginePage::renderProcessTerminated, &app,
                     [] { QCoreApplication::exit(kLoadFailed); });
    page.load(url);
    return app.exec();
}
