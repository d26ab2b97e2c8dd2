// The seam between the engine's two libraries: the entry points, the device and the handle
// table (libzelvorna-engine) and the network and decoding part (libzelvorna-engine-core, with
// libcurl and FFmpeg), which is loaded when the first stream opens.
#pragma once

#include "output.h"
#include "stream_engine.h"

#include <memory>
#include <string>
#include <vector>

namespace zelvorna {

struct Sync {
    HSYNC id = 0;
    DWORD type = BASS_SYNC_META;
    SYNCPROC* proc = nullptr;
    void* user = nullptr;
};

// One stream: download, decoder, PCM for the mixer, tags and syncs. Threads as each method says.
class StreamCore {
public:
    virtual ~StreamCore() = default;

    virtual DWORD handle() const = 0;
    virtual bool autoFree() const = 0;

    // Caller's thread, blocking: connected, headers read and the format known (true).
    virtual bool connect(unsigned prebufPercent) = 0;
    virtual int error() const = 0;
    virtual void abort() = 0; // any thread: a connect in progress returns false promptly

    virtual QWORD filePosition(DWORD mode) const = 0;
    virtual const char* tags(DWORD type) const = 0;
    virtual QWORD playedBytes() const = 0;
    virtual void addSync(const Sync& sync) = 0;
    virtual std::vector<Sync> syncsOfType(DWORD type) const = 0;

    virtual MixChannel& mix() = 0;
    virtual void setPlaying(bool playing) = 0;

    // Dispatcher thread: makes the next played metadata block current; true with the syncs to
    // fire when its content is new.
    virtual bool nextPlayedChange(std::vector<Sync>& toFire) = 0;
    // Dispatcher thread: the connection was lost or is back since the last call; data is 0 when
    // it is being made again, 1 when audio flows again.
    virtual bool nextStallChange(std::vector<Sync>& toFire, DWORD& data) = 0;
    // Dispatcher thread: the stream has ended for good, once: its end syncs to fire.
    virtual bool takeEnd(std::vector<Sync>& toFire) = 0;
};

// What the core library offers, through its one exported function (kCoreApiSymbol).
struct CoreApi {
    // A stream not yet connected; any thread.
    std::shared_ptr<StreamCore> (*openStream)(DWORD handle, DWORD flags, std::string url,
                                              bool followPlaylists);
};
using CoreApiFn = const CoreApi* (*)();
inline constexpr char kCoreApiSymbol[] = "zelvorna_engine_core";
inline constexpr char kCoreLibraryFile[] = "libzelvorna-engine-core.so";

} // namespace zelvorna
