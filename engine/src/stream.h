// One stream: download, decoder, PCM for the mixer, tags and syncs.
#pragma once

#include "decoder.h"
#include "downloader.h"
#include "output.h"
#include "stream_engine.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zelvorna {

struct Sync {
    HSYNC id = 0;
    DWORD type = BASS_SYNC_META;
    SYNCPROC* proc = nullptr;
    void* user = nullptr;
};

class Stream {
public:
    Stream(DWORD handle, DWORD flags, std::string url, bool followPlaylists);
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    DWORD handle() const { return handle_; }
    bool autoFree() const { return (flags_ & BASS_STREAM_AUTOFREE) != 0; }

    // Caller's thread, blocking: connected, headers read and the format known (true).
    bool connect(unsigned prebufPercent);
    int error() const { return error_; }
    void abort(); // any thread: a connect in progress returns false promptly

    QWORD filePosition(DWORD mode) const;
    const char* tags(DWORD type) const;
    QWORD playedBytes() const;
    void addSync(const Sync& sync);

    MixChannel& mix() { return mix_; }
    void setPlaying(bool playing);

    // Dispatcher thread: makes the next played metadata block current; true with the syncs to
    // fire when its content is new.
    bool nextPlayedChange(std::vector<Sync>& toFire);
    // Dispatcher thread: the download ended and every frame of it has been played.
    bool drained() const;
    // Dispatcher thread: the connection was lost or is back since the last call; data is 0 when
    // it is being made again, 1 when audio flows again.
    bool nextStallChange(std::vector<Sync>& toFire, DWORD& data);
    // Dispatcher thread: the stream has ended for good, once: its end syncs to fire.
    bool takeEnd(std::vector<Sync>& toFire);

private:
    const DWORD handle_;
    const DWORD flags_;
    MixChannel mix_;        // outlives the decoder that fills it
    Downloader downloader_; // outlives the decoder that reads it
    Decoder decoder_;
    int error_ = 0; // written by connect() only
    std::atomic<bool> aborted_{false};
    std::atomic<bool> playing_{false};

    // Written once by connect() before the handle is handed out, read-only afterwards.
    std::string icyTags_;
    std::string httpTags_;

    mutable std::mutex metaMutex_;
    std::deque<std::string> metaHistory_; // back() is current; older copies stay valid a while
    std::vector<Sync> syncs_;             // guarded by metaMutex_
    std::deque<PcmMarker> played_;        // dispatcher thread only
    bool reportedStall_ = false;          // dispatcher thread only
    bool endReported_ = false;            // dispatcher thread only

    std::vector<Sync> syncsOf(DWORD type) const; // takes metaMutex_
};

} // namespace zelvorna
