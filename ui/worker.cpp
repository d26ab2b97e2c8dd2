#include "worker.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

namespace zelvorna {

namespace {

// One hand-off waiting for the main thread. Shutdown fulfils a pending one with cancellation, so
// a worker never stays blocked on a main thread that has stopped serving hand-offs.
struct HandOff {
    enum class State { Pending, Running, Done, Cancelled };
    std::function<void()> step;
    State state = State::Pending;
    std::exception_ptr error;
};

struct Registry {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<TWorker*> live;
    std::set<std::shared_ptr<HandOff>> pending;
    std::atomic<bool> shuttingDown{false};
};

// Never destroyed: a worker still blocked at process exit may reach it after main() returns.
Registry& registry() {
    static Registry& instance = *new Registry;
    return instance;
}

bool OnMainThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void RunHandOff(const std::shared_ptr<HandOff>& call) {
    Registry& r = registry();
    {
        std::lock_guard lock(r.mutex);
        if (call->state != HandOff::State::Pending)
            return; // cancelled at shutdown: the worker has already moved on
        call->state = HandOff::State::Running;
        r.pending.erase(call);
    }
    std::exception_ptr error;
    try {
        call->step();
    } catch (...) {
        error = std::current_exception();
    }
    {
        std::lock_guard lock(r.mutex);
        call->error = error;
        call->state = HandOff::State::Done;
    }
    r.changed.notify_all();
}

} // namespace

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
    Registry& r = registry();
    auto call = std::make_shared<HandOff>();
    call->step = step;
    {
        std::lock_guard lock(r.mutex);
        if (r.shuttingDown)
            throw EWorkerCancelled();
        r.pending.insert(call);
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [call] { RunHandOff(call); }, Qt::QueuedConnection);

    std::unique_lock lock(r.mutex);
    r.changed.wait(lock, [&] {
        return call->state == HandOff::State::Done || call->state == HandOff::State::Cancelled;
    });
    if (call->state == HandOff::State::Cancelled)
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
    return fatal_ ? MessageOf(fatal_) : QString();
}

void TWorker::BeginShutdown() {
    Registry& r = registry();
    {
        std::lock_guard lock(r.mutex);
        r.shuttingDown = true;
        for (const auto& call : r.pending)
            call->state = HandOff::State::Cancelled;
        r.pending.clear();
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

QString TWorker::MessageOf(const std::exception_ptr& error) {
    if (!error)
        return QString();
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Erro desconhecido.");
    }
}

} // namespace zelvorna
