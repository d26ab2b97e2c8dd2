#include "statistics_visit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace content {
namespace {

constexpr int kKillWaitMs = 2000;
// The helper gives up after 15 s by itself.
constexpr int kHelperDeadlineMs = 20000;
// The browser engine's start-up is heavy and the visit is in no hurry: the window and the audio
// come first on a busy machine.
constexpr int kHelperNiceness = 10;
const char kHelperName[] = "zelvorna-visit";

} // namespace

TStatisticsVisit::TStatisticsVisit(QString helperPath, QObject* parent)
    : QObject(parent), helperPath_(helperPath.isEmpty() ? DefaultHelperPath() : helperPath) {
    deadline_.setSingleShot(true);
    deadline_.setInterval(kHelperDeadlineMs);
    connect(&deadline_, &QTimer::timeout, this, [this] { KillGroup(); });
}

TStatisticsVisit::~TStatisticsVisit() {
    Stop();
}

QString TStatisticsVisit::DefaultHelperPath() {
    const QDir appDir(QCoreApplication::applicationDirPath());
    const QString beside = appDir.filePath(QLatin1String(kHelperName));
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QDir::cleanPath(
        appDir.filePath(QStringLiteral("../libexec/radio-zelvorna/") + kHelperName));
}

bool TStatisticsVisit::Start(const QUrl& url) {
    Stop();
    if (!QFileInfo(helperPath_).isExecutable())
        return false;
    process_ = std::make_unique<QProcess>();
    // The application writes no log: the browser engine's chatter goes nowhere.
    process_->setStandardOutputFile(QProcess::nullDevice());
    process_->setStandardErrorFile(QProcess::nullDevice());
    // A group of its own, so that the helper and the browser engine's processes end together.
    process_->setChildProcessModifier([] {
        setpgid(0, 0);
        setpriority(PRIO_PROCESS, 0, kHelperNiceness);
    });
    connect(process_.get(), &QProcess::finished, this, &TStatisticsVisit::finished);
    // A helper that cannot be run ends the visit as a finished one does; nobody waits for it.
    connect(process_.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            emit finished();
    });
    process_->start(helperPath_, {url.toString(QUrl::FullyEncoded)});
    if (process_->state() == QProcess::NotRunning)
        return false;
    // The helper ends its own visit in time; this is for a helper that cannot.
    deadline_.start();
    return true;
}

bool TStatisticsVisit::Running() const {
    return process_ && process_->state() != QProcess::NotRunning;
}

qint64 TStatisticsVisit::ProcessId() const {
    return Running() ? process_->processId() : 0;
}

void TStatisticsVisit::KillGroup() {
    if (const qint64 pid = ProcessId(); pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
}

void TStatisticsVisit::Stop() {
    deadline_.stop();
    if (!process_)
        return;
    disconnect(process_.get(), nullptr, this, nullptr);
    if (process_->state() != QProcess::NotRunning) {
        KillGroup();
        process_->waitForFinished(kKillWaitMs);
    }
    process_.reset();
}

} // namespace content
