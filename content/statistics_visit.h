#pragma once
// The hidden visit to the station's statistics page. The page is loaded by a short-lived helper
// process (zelvorna-visit), so the browser engine's memory never lands in the application.

#include <QObject>
#include <QString>
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

    QString helperPath_;
    std::unique_ptr<QProcess> process_;
};

} // namespace content
