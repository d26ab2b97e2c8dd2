#pragma once
// The hidden visit to the station's statistics page. The page is loaded by a short-lived helper
// process (zelvorna-visit), so the browser engine's memory never lands in the application. The
// helper and the browser engine's processes form a process group of their own, bounded by the
// helper in memory and time, and ended whole by this object after kHelperDeadlineMs at most.

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <memory>

class QProcess;

namespace content {

class TStatisticsVisit : public QObject {
    Q_OBJECT
public:
    // helperPath empty: the helper beside the executable, else in ../libexec/radio-zelvorna.
    explicit TStatisticsVisit(QString helperPath = {}, QObject* parent = nullptr);
    ~TStatisticsVisit() override; // a visit still running is killed

    // Starts the visit (the helper runs at a lower priority) and returns at once, without
    // waiting for the helper to start; the outcome is never looked at. Main thread.
    // Returns false when the helper is missing or cannot be started.
    bool Start(const QUrl& url);
    bool Running() const;
    qint64 ProcessId() const; // 0 when no helper runs

    static QString DefaultHelperPath();

signals:
    void finished(); // the helper has ended (tests wait for it)

private:
    void Stop();
    void KillGroup();

    QString helperPath_;
    std::unique_ptr<QProcess> process_;
    QTimer deadline_;
};

} // namespace content
