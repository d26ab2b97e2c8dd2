// The bytes layer: one libcurl transfer at a time on its own thread, feeding a bounded ring with
// the audio bytes of the reply (ICY metadata taken out and kept with its audio position). Once
// the stream is live, a dropped, failed or stalled transfer is followed by a new one to the same
// stream address, after a growing pause, until audio flows again or it gives up.
#pragma once

#include "byte_ring.h"
#include "header_lines.h"
#include "icy_metadata.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zelvorna {

class Downloader {
public:
    Downloader(std::string url, bool followPlaylists);
    ~Downloader();
    Downloader(const Downloader&) = delete;
    Downloader& operator=(const Downloader&) = delete;

    void start();
    // Blocks until the audio reply's headers are in (true), or failure or abort (false).
    bool waitUntilReady();
    // Blocks until the ring holds percent of its size, the download ended or abort.
    void waitForFill(unsigned percent);
    void abort(); // any thread; prompt
    // The stream has been handed out: from now on a lost connection is reconnected. Any thread.
    void setLive() { live_ = true; }
    // True while the connection is lost and being made again. Any thread.
    bool reconnecting() const { return reconnecting_.load(); }

    int errorCode() const; // BASS_ERROR_* once waitUntilReady() returned false
    // Valid once waitUntilReady() returned true; never changes afterwards.
    const ReplyHeaders& headers() const { return headers_; }
    ByteRing& ring() { return ring_; }
    const ByteRing& ring() const { return ring_; }
    bool downloading() const { return downloading_.load(); }

    // Decoder side: metadata blocks whose audio starts at or before that byte offset.
    std::vector<MetaBlock> takeMarkersUpTo(std::uint64_t audioOffset);
    // Decoder side: the ring lost bytes, a held-back transfer may go on.
    void consumed();

    static std::size_t ringSizeForBitrate(int kbps);

private:
    enum class Phase { Connecting, Ready, Failed };
    struct Transfer;
    // How one transfer ended.
    struct TransferEnd {
        int error = 0;         // BASS_* code
        bool gotAudio = false; // audio bytes reached the ring
        bool refused = false;  // the server answered, but not with audio: no point retrying
        bool finished = false; // a body of known length arrived whole: a file, not a live stream
    };

    void run();
    void reconnect(TransferEnd end);
    bool pause(std::chrono::milliseconds duration); // false when aborted meanwhile
    TransferEnd transfer(const std::string& url, bool playlistAllowed, std::string* nextUrl,
                         bool reconnecting);
    void setPhase(Phase phase, int error = 0);

    static void markConnectionSteps(const Transfer& t);
    static std::size_t onHeader(char* data, std::size_t size, std::size_t n, void* self);
    static std::size_t onBody(char* data, std::size_t size, std::size_t n, void* self);
    static int onSocket(void* self, int socket, int purpose);
    static int onProgress(void* self, long long, long long, long long, long long);

    const std::string url_;
    const bool followPlaylists_;
    std::thread thread_;
    std::atomic<bool> abort_{false};
    std::atomic<bool> downloading_{true};
    std::atomic<bool> holdingBack_{false}; // curl thread sets; decoder clears through consumed()
    std::atomic<bool> live_{false};
    std::atomic<bool> reconnecting_{false}; // curl thread writes
    std::atomic<void*> multi_{nullptr};     // for curl_multi_wakeup from other threads

    mutable std::mutex phaseMutex_;
    std::condition_variable phaseChanged_;
    Phase phase_ = Phase::Connecting; // guarded by phaseMutex_
    int error_ = 0;                   // guarded by phaseMutex_

    // Only touched by the curl thread until Ready is published, read-only afterwards.
    ReplyHeaders headers_;
    std::unique_ptr<IcyDemuxer> demuxer_; // curl thread only
    std::string streamUrl_;               // curl thread only: the audio reply's own address
    std::uint64_t audioWritten_ = 0;      // curl thread only: audio bytes put in the ring
    std::uint64_t audioBase_ = 0;         // curl thread only: of them, before this connection

    ByteRing ring_;

    std::mutex markerMutex_;
    std::deque<MetaBlock> markers_; // curl thread appends, decoder thread takes; bounded
};

} // namespace zelvorna
