// The entry points: a handle table under one mutex, per-stream shared ownership so that a free
// during another call is safe, and one dispatcher thread for syncs and self-freeing streams. The
// streams themselves come from the core library, loaded when the first one opens.
#include "core_library.h"
#include "output.h"
#include "stream_core.h"
#include "stream_engine.h"
#include "utf16.h"
#include "zelvorna_timing.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zelvorna {
namespace {

thread_local int lastError = BASS_OK;

// How late a title may be reported after its audio began to play.
constexpr auto kDispatchPeriod = std::chrono::milliseconds(100);

template <typename T> T fail(int code, T result) {
    lastError = code;
    return result;
}

template <typename T> T succeed(T result) {
    lastError = BASS_OK;
    return result;
}

class Engine {
public:
    Engine() = default;
    ~Engine() { shutdown(); }

    bool init();
    bool shutdown();
    bool setConfig(DWORD option, DWORD value);
    HSTREAM create(std::string url, DWORD flags);
    bool free(HSTREAM handle);
    bool play(DWORD handle);
    bool stop(DWORD handle);
    std::shared_ptr<StreamCore> find(DWORD handle);
    HSYNC addSync(DWORD handle, DWORD type, SYNCPROC* proc, void* user);

private:
    void dispatch();
    void dispatchOnce();
    // Dispatcher thread: reopens a lost device, with a growing pause between tries, and tells
    // the streams' device syncs when sound is lost and when it is back.
    void watchOutput();
    void reportFirstMix(MixChannel& mix); // a timing mark, once per stream
    // Runs syncs of a stream unless it has been freed meanwhile; false then.
    bool fire(const StreamCore& stream, const std::vector<Sync>& syncs, DWORD data);

    std::mutex mutex_;
    bool initialised_ = false;                           // guarded by mutex_
    Output output_;                                      // guarded by mutex_
    std::map<DWORD, std::shared_ptr<StreamCore>> table_; // guarded by mutex_; connecting ones too
    std::map<DWORD, bool> ready_;                        // guarded by mutex_: handed out to callers
    DWORD nextHandle_ = 1;                               // guarded by mutex_; never reused
    HSYNC nextSync_ = 1;                                 // guarded by mutex_
    bool followPlaylists_ = false;                       // guarded by mutex_
    unsigned prebuf_ = 0;                                // guarded by mutex_

    std::thread dispatcher_;
    std::condition_variable dispatcherWake_;
    bool dispatcherStop_ = false; // guarded by mutex_
    // The stream whose syncs the dispatcher is running now (0: none), so that a free can wait
    // for them: after BASS_StreamFree no sync of that stream runs. Guarded by mutex_.
    DWORD firing_ = 0;
    std::condition_variable firingDone_;

    // The device was lost and is being opened again. Guarded by mutex_.
    bool outputLost_ = false;
    std::chrono::steady_clock::time_point nextReopen_;
    std::chrono::milliseconds reopenPause_{0};
};

Engine& engine() {
    static Engine instance;
    return instance;
}

bool Engine::init() {
    std::lock_guard lock(mutex_);
    if (initialised_)
        return fail(BASS_ERROR_ALREADY, false);
    if (!output_.open())
        return fail(BASS_ERROR_DEVICE, false);
    initialised_ = true;
    dispatcherStop_ = false;
    dispatcher_ = std::thread([this] { dispatch(); });
    return succeed(true);
}

bool Engine::shutdown() {
    std::map<DWORD, std::shared_ptr<StreamCore>> streams;
    std::thread dispatcher;
    {
        std::lock_guard lock(mutex_);
        if (!initialised_)
            return fail(BASS_ERROR_INIT, false);
        initialised_ = false;
        streams.swap(table_);
        ready_.clear();
        for (auto& [handle, stream] : streams) {
            output_.remove(&stream->mix());
            stream->abort();
        }
        dispatcherStop_ = true;
        dispatcher = std::move(dispatcher_);
    }
    dispatcherWake_.notify_all();
    if (dispatcher.get_id() == std::this_thread::get_id())
        dispatcher.detach(); // called from a sync: the loop ends by itself
    else if (dispatcher.joinable())
        dispatcher.join();
    {
        std::lock_guard lock(mutex_);
        if (!initialised_)
            output_.close();
    }
    streams.clear(); // joins their threads, outside the lock
    return succeed(true);
}

bool Engine::setConfig(DWORD option, DWORD value) {
    std::lock_guard lock(mutex_);
    switch (option) {
    case BASS_CONFIG_NET_PLAYLIST:
        followPlaylists_ = value != 0;
        return succeed(true);
    case BASS_CONFIG_NET_PREBUF:
        prebuf_ = std::min<DWORD>(value, 100);
        return succeed(true);
    default:
        return fail(BASS_ERROR_ILLTYPE, false);
    }
}

HSTREAM Engine::create(std::string url, DWORD flags) {
    TimingMark("engine: stream requested");
    const CoreApi* core = EngineCore(); // outside the lock: the first call loads a library
    if (!core)
        return fail(BASS_ERROR_UNKNOWN, HSTREAM(0));
    std::shared_ptr<StreamCore> stream;
    unsigned prebuf = 0;
    {
        std::lock_guard lock(mutex_);
        if (!initialised_)
            return fail(BASS_ERROR_INIT, HSTREAM(0));
        // Allocated before connecting, so a free of this handle can abort the connect.
        const DWORD handle = nextHandle_++;
        stream = core->openStream(handle, flags, std::move(url), followPlaylists_);
        table_[handle] = stream;
        prebuf = prebuf_;
    }
    const bool connected = stream->connect(prebuf);
    std::shared_ptr<StreamCore> dropped; // destroyed outside the lock
    {
        std::lock_guard lock(mutex_);
        const auto it = table_.find(stream->handle());
        const bool stillOurs = it != table_.end() && it->second == stream;
        if (connected && stillOurs) {
            ready_[stream->handle()] = true;
            return succeed(stream->handle());
        }
        if (stillOurs) {
            dropped = std::move(it->second);
            table_.erase(it);
        }
    }
    const int error = connected ? BASS_ERROR_UNKNOWN : stream->error();
    stream.reset();
    dropped.reset();
    return fail(error ? error : BASS_ERROR_UNKNOWN, HSTREAM(0));
}

bool Engine::free(HSTREAM handle) {
    std::shared_ptr<StreamCore> stream;
    {
        std::unique_lock lock(mutex_);
        const auto it = table_.find(handle);
        if (it == table_.end())
            return fail(BASS_ERROR_HANDLE, false);
        stream = std::move(it->second);
        table_.erase(it);
        ready_.erase(handle);
        output_.remove(&stream->mix());
        stream->abort();
        // A sync of this stream may free it itself; anyone else waits for a running one.
        if (std::this_thread::get_id() != dispatcher_.get_id())
            firingDone_.wait(lock, [&] { return firing_ != handle; });
    }
    stream.reset(); // joins its threads unless another call still holds it
    return succeed(true);
}

std::shared_ptr<StreamCore> Engine::find(DWORD handle) {
    std::lock_guard lock(mutex_);
    if (!ready_.count(handle))
        return nullptr;
    return table_[handle];
}

bool Engine::play(DWORD handle) {
    std::lock_guard lock(mutex_);
    if (!ready_.count(handle))
        return fail(BASS_ERROR_HANDLE, false);
    const auto& stream = table_[handle];
    if (!output_.add(&stream->mix()))
        return fail(BASS_ERROR_UNKNOWN, false);
    // A device lost meanwhile is tried again at the watcher's next turn, not after its pause;
    // the stream plays once it is back.
    if (outputLost_)
        nextReopen_ = {};
    stream->setPlaying(true);
    TimingMark("engine: playing");
    return succeed(true);
}

bool Engine::stop(DWORD handle) {
    std::lock_guard lock(mutex_);
    if (!ready_.count(handle))
        return fail(BASS_ERROR_HANDLE, false);
    const auto& stream = table_[handle];
    output_.remove(&stream->mix());
    stream->setPlaying(false);
    return succeed(true);
}

HSYNC Engine::addSync(DWORD handle, DWORD type, SYNCPROC* proc, void* user) {
    std::lock_guard lock(mutex_);
    if (!ready_.count(handle))
        return fail(BASS_ERROR_HANDLE, HSYNC(0));
    const HSYNC id = nextSync_++;
    table_[handle]->addSync(Sync{id, type, proc, user});
    return succeed(id);
}

void Engine::dispatch() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            dispatcherWake_.wait_for(lock, kDispatchPeriod, [&] { return dispatcherStop_; });
            if (dispatcherStop_)
                return;
        }
        dispatchOnce();
    }
}

void Engine::watchOutput() {
    using namespace std::chrono_literals;
    constexpr auto kFirstPause = 250ms;
    constexpr auto kLongestPause = 2000ms;
    std::vector<std::shared_ptr<StreamCore>> streams;
    std::vector<DWORD> notices; // 0: sound lost, 1: sound back
    {
        std::lock_guard lock(mutex_);
        if (!initialised_)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (!outputLost_ && output_.lost()) {
            outputLost_ = true;
            reopenPause_ = kFirstPause;
            nextReopen_ = now;
            notices.push_back(0);
        }
        if (outputLost_ && now >= nextReopen_) {
            if (output_.reopen()) {
                outputLost_ = false;
                notices.push_back(1);
            } else {
                nextReopen_ = now + reopenPause_;
                reopenPause_ = std::min<std::chrono::milliseconds>(reopenPause_ * 2, kLongestPause);
            }
        }
        if (notices.empty())
            return;
        for (const auto& [handle, ready] : ready_)
            streams.push_back(table_[handle]);
    }
    for (DWORD data : notices) {
        TimingMark(data ? "engine: sound device back" : "engine: sound device lost");
        for (const auto& stream : streams)
            fire(*stream, stream->syncsOfType(BASS_SYNC_DEV_FAIL), data);
    }
}

void Engine::dispatchOnce() {
    watchOutput();
    std::vector<std::shared_ptr<StreamCore>> streams;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [handle, ready] : ready_)
            streams.push_back(table_[handle]);
    }
    std::vector<Sync> toFire;
    for (const auto& stream : streams) {
        reportFirstMix(stream->mix());
        bool alive = true;
        while (alive && stream->nextPlayedChange(toFire))
            alive = fire(*stream, toFire, 0);
        DWORD data = 0;
        if (alive && stream->nextStallChange(toFire, data))
            alive = fire(*stream, toFire, data);
        if (alive && stream->takeEnd(toFire)) {
            alive = fire(*stream, toFire, 0);
            if (alive && stream->autoFree())
                free(stream->handle());
        }
    }
}

void Engine::reportFirstMix(MixChannel& mix) {
    const std::int64_t ns = mix.firstMixedNs.load(std::memory_order_relaxed);
    if (ns == 0 || mix.firstMixReported)
        return;
    mix.firstMixReported = true;
    TimingMarkAt("engine: first audio taken by the device",
                 std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns)));
}

bool Engine::fire(const StreamCore& stream, const std::vector<Sync>& syncs, DWORD data) {
    {
        std::lock_guard lock(mutex_);
        if (!ready_.count(stream.handle()))
            return false; // freed meanwhile: its syncs' users may be gone
        firing_ = stream.handle();
    }
    // No engine lock is held here: a sync may call back into the engine.
    for (const auto& sync : syncs)
        sync.proc(sync.id, stream.handle(), data, sync.user);
    {
        std::lock_guard lock(mutex_);
        firing_ = 0;
    }
    firingDone_.notify_all();
    return true;
}

} // namespace
} // namespace zelvorna

using zelvorna::engine;
using zelvorna::fail;
using zelvorna::succeed;

extern "C" {

BOOL BASS_Init(int, DWORD, DWORD, void*, const void*) {
    return engine().init() ? 1 : 0;
}

BOOL BASS_Free(void) {
    return engine().shutdown() ? 1 : 0;
}

int BASS_ErrorGetCode(void) {
    return zelvorna::lastError;
}

BOOL BASS_SetConfig(DWORD option, DWORD value) {
    return engine().setConfig(option, value) ? 1 : 0;
}

HPLUGIN BASS_PluginLoad(const char*, DWORD) {
    return fail(BASS_ERROR_FILEOPEN, HPLUGIN(0)); // no plug-ins: every format is built in
}

HSTREAM BASS_StreamCreateURL(const void* url, DWORD offset, DWORD flags, DOWNLOADPROC*, void*) {
    if (!url || offset != 0)
        return fail(BASS_ERROR_ILLPARAM, HSTREAM(0));
    std::string address = (flags & BASS_UNICODE)
                              ? zelvorna::utf16ToUtf8(static_cast<const char16_t*>(url))
                              : std::string(static_cast<const char*>(url));
    if (address.empty())
        return fail(BASS_ERROR_FILEOPEN, HSTREAM(0));
    return engine().create(std::move(address), flags);
}

BOOL BASS_StreamFree(HSTREAM handle) {
    return engine().free(handle) ? 1 : 0;
}

QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode) {
    const auto stream = engine().find(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, QWORD(-1));
    const QWORD value = stream->filePosition(mode);
    return value == QWORD(-1) ? fail(BASS_ERROR_ILLTYPE, value) : succeed(value);
}

const char* BASS_ChannelGetTags(DWORD handle, DWORD tags) {
    const auto stream = engine().find(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, static_cast<const char*>(nullptr));
    const char* value = stream->tags(tags);
    return value ? succeed(value) : fail(BASS_ERROR_UNKNOWN, value);
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD, SYNCPROC* proc, void* user) {
    const bool known = type == BASS_SYNC_META || type == BASS_SYNC_END || type == BASS_SYNC_STALL ||
                       type == BASS_SYNC_DEV_FAIL;
    if (!known || !proc)
        return fail(BASS_ERROR_ILLTYPE, HSYNC(0));
    return engine().addSync(handle, type, proc, user);
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL) {
    return engine().play(handle) ? 1 : 0;
}

BOOL BASS_ChannelStop(DWORD handle) {
    return engine().stop(handle) ? 1 : 0;
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
    if (attrib != BASS_ATTRIB_VOL)
        return fail(BASS_ERROR_ILLTYPE, 0);
    const auto stream = engine().find(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, 0);
    stream->mix().gain = std::clamp(value, 0.0f, 1.0f);
    return succeed(1);
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    if (mode != BASS_POS_BYTE)
        return fail(BASS_ERROR_ILLTYPE, QWORD(-1));
    const auto stream = engine().find(handle);
    if (!stream)
        return fail(BASS_ERROR_HANDLE, QWORD(-1));
    return succeed(stream->playedBytes());
}

} // extern "C"
