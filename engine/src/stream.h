// One stream of the core library: download, decoder, PCM for the mixer, tags and syncs.
#pragma once

#include "decoder.h"
#include "downloader.h"
#include "stream_core.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zelvorna {

class Stream final : public StreamCore {
public:
    Stream(DWORD handle, DWORD flags, std::string url, bool followPlaylists);
    ~Stream() override;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    DWORD handle() const override { return handle_; }
    bool autoFree() const override { return (flags_ & BASS_STREAM_AUTOFREE) != 0; }

    bool connect(unsigned prebufPercent) override;
    int error() const override { return error_; }
    void abort() override;

    QWORD filePosition(DWORD mode) const override;
    const char* tags(DWORD type) const override;
    QWORD playedBytes() const override;
    void addSync(const Sync& sync) override;

    MixChannel& mix() override { return mix_; }
    void setPlaying(bool playing) override;

    bool nextPlayedChange(std::vector<Sync>& toFire) override;
    bool nextStallChange(std::vector<Sync>& toFire, DWORD& data) override;
    std::vector<Sync> syncsOfType(DWORD type) const override { return syncsOf(type); }
    bool takeEnd(std::vector<Sync>& toFire) override;

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

    // Dispatcher thread: the download ended and every frame of it has been played.
    bool drained() const;
    std::vector<Sync> syncsOf(DWORD type) const; // takes metaMutex_
};

} // namespace zelvorna
