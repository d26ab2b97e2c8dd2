#pragma once
// The one worker-thread pattern of the application: a self-freeing worker with a body, an
// optional termination handler run on the main thread, and hand-offs to the main thread that
// block the worker (never the main thread) and carry errors back to it.
//
// Threads: Create, SetOnTerminate and Start on any thread (the worker is freed by the main
// thread's event loop); Synchronize and SynchronizeAsync on the worker's own thread (on the main
// thread they run the step inline); BeginShutdown and WaitForAll on the main thread; the rest on
// any thread.

#include <QString>
#include <QThread>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>

namespace zelvorna {

// Thrown by a hand-off once the application is shutting down: the step did not run, or did not
// finish.
class EWorkerCancelled : public std::runtime_error {
public:
    EWorkerCancelled() : std::runtime_error("worker cancelled at shutdown") {}
};

struct THandOff;

// Ends an asynchronous hand-off: called once, on the main thread, with the step's error if it
// failed. Copies share the one hand-off; calls after the first, or after shutdown, do nothing.
class THandOffDone {
public:
    explicit THandOffDone(std::shared_ptr<THandOff> call) : call_(std::move(call)) {}
    void operator()(std::exception_ptr error = nullptr) const;

private:
    std::shared_ptr<THandOff> call_;
};

class TWorker final : public QThread {
    Q_OBJECT
public:
    using Body = std::function<void(TWorker& self)>;
    using TerminateHandler = std::function<void(TWorker* sender)>;
    using AsyncStep = std::function<void(THandOffDone done)>;

    // Created suspended; the caller keeps no reference after Start(). The worker deletes itself
    // once its body and its termination handler (if any) have run.
    static TWorker* Create(Body body);
    void SetOnTerminate(TerminateHandler handler); // before Start()
    void Start();

    // Runs step on the main thread and blocks the worker until it has run. An exception thrown by
    // step is rethrown here, in the worker.
    void Synchronize(const std::function<void()>& step);

    // Starts step on the main thread and blocks the worker until step's done has been called: the
    // main thread goes on serving its event loop meanwhile (a download, an animation). An error
    // thrown by step or passed to done is rethrown here. At shutdown the worker is released with
    // EWorkerCancelled even if done never comes, so step captures by value, never the worker's
    // locals.
    void SynchronizeAsync(AsyncStep step);

    // The error that ended the body, if any. Message text: what() read as UTF-8.
    bool HasFatalError() const { return static_cast<bool>(fatal_); }
    QString FatalErrorMessage() const;

    // Shutdown: from now on hand-offs and termination handlers do not run (a hand-off throws
    // EWorkerCancelled). WaitForAll waits up to timeoutMs for every running worker to end.
    static void BeginShutdown();
    static bool ShuttingDown();
    static bool WaitForAll(int timeoutMs);

private:
    explicit TWorker(Body body);
    void run() override;
    static void Wait(const std::shared_ptr<THandOff>& call);

    Body body_;
    TerminateHandler onTerminate_;
    std::exception_ptr fatal_; // written by the worker thread before its termination hand-off
};

} // namespace zelvorna
