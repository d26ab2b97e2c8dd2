#include "worker.h"

#include "main_thread.h"
#include "message_text.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

namespace zelvorna {

// One hand-off to the main thread. Shutdown cancels every one that is not running a synchronous
// step right now, so a worker never stays blocked on a main thread that no longer serves it.
struct THandOff {
    enum class State { Pending, Running, Waiting, Done, Cancelled };
    std::function<void()> syncStep;
    TWorker::AsyncStep asyncStep;
    State state = State::Pending;
    std::exception_ptr error;
};

namespace {

struct Registry {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<TWorker*> live;
    std::set<std::shared_ptr<THandOff>> cancellable; // pending, or waiting for done
    std::atomic<bool> shuttingDown{false};
};

// Never destroyed: a worker still blocked at process exit may reach it after main() returns.
Registry& registry() {
    static Registry& instance = *new Registry;
    return instance;
}

void Finish(const std::shared_ptr<THandOff>& call, std::exception_ptr error) {
    Registry& r = registry();
    {
        std::lock_guard lock(r.mutex);
        if (call->state != THandOff::State::Running && call->state != THandOff::State::Waiting)
            return; // already done, or cancelled at shutdown
        r.cancellable.erase(call);
        call->error = std::move(error);
        call->state = THandOff::State::Done;
    }
    r.changed.notify_all();
}

void RunHandOff(const std::shared_ptr<THandOff>& call) {
    Registry& r = registry();
    const bool async = static_cast<bool>(call->asyncStep);
    {
        std::lock_guard lock(r.mutex);
        if (call->state != THandOff::State::Pending)
            return; // cancelled at shutdown: the worker has already moved on
        call->state = async ? THandOff::State::Waiting : THandOff::State::Running;
        if (!async)
            r.cancellable.erase(call); // the step may use the worker's locals: it runs to its end
    }
    try {
        if (async) {
            call->asyncStep(THandOffDone(call));
            return;
        }
        call->syncStep();
    } catch (...) {
        Finish(call, std::current_exception());
        return;
    }
    Finish(call, nullptr);
}

} // namespace

void THandOffDone::operator()(std::exception_ptr error) const {
    if (call_)
        Finish(call_, std::move(error));
}

TWorker::TWorker(Body body) : body_(std::move(body)) {}

TWorker* TWorker::Create(Body body) {
    auto* worker = new TWorker(std::move(body)); // frees itself after run()
    // A worker created on another worker must still be freed by the main thread's event loop.
    if (auto* app = QCoreApplication::instance(); app && worker->thread() != app->thread())
        worker->moveToThread(app->thread());
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    return worker;
}

void TWorker::SetOnTerminate(TerminateHandler handler) {
    onTerminate_ = std::move(handler);
}

void TWorker::Start() {
    {
        std::lock_guard lock(registry().mutex);
        registry().live.insert(this);
    }
    start();
}

void TWorker::Synchronize(const std::function<void()>& step) {
    if (OnMainThread()) {
        step();
        return;
    }
    auto call = std::make_shared<THandOff>();
    call->syncStep = step;
    Wait(call);
}

void TWorker::SynchronizeAsync(AsyncStep step) {
    if (OnMainThread())
        throw std::logic_error("an asynchronous hand-off cannot wait on the main thread");
    auto call = std::make_shared<THandOff>();
    call->asyncStep = std::move(step);
    Wait(call);
}

void TWorker::Wait(const std::shared_ptr<THandOff>& call) {
    Registry& r = registry();
    {
        std::lock_guard lock(r.mutex);
        if (r.shuttingDown)
            throw EWorkerCancelled();
        r.cancellable.insert(call);
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [call] { RunHandOff(call); }, Qt::QueuedConnection);

    std::unique_lock lock(r.mutex);
    r.changed.wait(lock, [&] {
        return call->state == THandOff::State::Done || call->state == THandOff::State::Cancelled;
    });
    if (call->state == THandOff::State::Cancelled)
        throw EWorkerCancelled();
    if (call->error)
        std::rethrow_exception(call->error);
}

void TWorker::run() {
    try {
        body_(*this);
    } catch (...) {
        fatal_ = std::current_exception();
    }
    if (onTerminate_) {
        try {
            Synchronize([this] { onTerminate_(this); });
        } catch (...) {
            // Cancelled at shutdown, or the handler itself failed: nobody is left to tell.
        }
    }
    // The body (and what it captured) stays until the main thread frees the worker.
    Registry& r = registry();
    {
        std::lock_guard lock(r.mutex);
        r.live.erase(this);
    }
    r.changed.notify_all();
}

QString TWorker::FatalErrorMessage() const {
    return MessageOf(fatal_);
}

void TWorker::BeginShutdown() {
    Registry& r = registry();
    {
        std::lock_guard lock(r.mutex);
        r.shuttingDown = true;
        for (const auto& call : r.cancellable)
            call->state = THandOff::State::Cancelled;
        r.cancellable.clear();
    }
    r.changed.notify_all();
}

bool TWorker::ShuttingDown() {
    return registry().shuttingDown;
}

bool TWorker::WaitForAll(int timeoutMs) {
    Registry& r = registry();
    std::unique_lock lock(r.mutex);
    return r.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return r.live.empty(); });
}

} // namespace zelvorna
