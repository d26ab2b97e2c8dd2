#pragma once
// The one worker-thread pattern of the application: a self-freeing worker with a body, an
// optional termination handler run on the main thread, and synchronous hand-offs that carry
// errors back to the worker.

#include <QString>
#include <QThread>
#include <exception>
#include <functional>
#include <stdexcept>

namespace zelvorna {

// Thrown by Synchronize once the application is shutting down: the step did not run.
class EWorkerCancelled : public std::runtime_error {
public:
    EWorkerCancelled() : std::runtime_error("worker cancelled at shutdown") {}
};

class TWorker final : public QThread {
    Q_OBJECT
public:
    using Body = std::function<void(TWorker& self)>;
    using TerminateHandler = std::function<void(TWorker* sender)>;

    // Created suspended; the caller keeps no reference after Start(). The worker deletes itself
    // once its body and its termination handler (if any) have run.
    static TWorker* Create(Body body);
    void SetOnTerminate(TerminateHandler handler); // before Start()
    void Start();

    // Runs step on the main thread and blocks until it has run. An exception thrown by step is
    // rethrown here, in the worker. Called on the main thread, runs step directly.
    void Synchronize(const std::function<void()>& step);

    // The error that ended the body, if any. Message text: what() read as UTF-8.
    bool HasFatalError() const { return static_cast<bool>(fatal_); }
    std::exception_ptr FatalError() const { return fatal_; }
    QString FatalErrorMessage() const;

    // Shutdown: from now on hand-offs and termination handlers do not run (Synchronize throws
    // EWorkerCancelled). WaitForAll waits up to timeoutMs for every running worker to end.
    static void BeginShutdown();
    static bool ShuttingDown();
    static bool WaitForAll(int timeoutMs);

    // Text of any exception: what() as UTF-8, or a generic text for non-standard exceptions.
    static QString MessageOf(const std::exception_ptr& error);

private:
    explicit TWorker(Body body);
    void run() override;

    Body body_;
    TerminateHandler onTerminate_;
    std::exception_ptr fatal_; // written by the worker thread before its termination hand-off
};

} // namespace zelvorna
