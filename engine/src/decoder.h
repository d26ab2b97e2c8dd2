// The container and codec layer: FFmpeg reads the download ring through a non-seekable custom
// AVIO context, decodes on its own thread and hands 44.1 kHz stereo float frames to a PcmRing.
#pragma once

#include "pcm_ring.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct AVFormatContext;
struct AVIOContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

namespace zelvorna {

class Downloader;

struct PcmMarker {
    std::uint64_t frame = 0; // first PCM frame of the audio the text belongs to
    std::string text;
};

// FFmpeg demuxer name for a reply's media type, or nullptr to probe.
const char* formatForMediaType(const std::string& mediaType);

class Decoder {
public:
    static constexpr int kRate = 44100;

    Decoder(Downloader& source, PcmRing& pcm);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Caller's thread: opens container and codec and decodes the first frame, so a reply that is
    // not audio we can decode is known before the stream is handed out. Gives up after 5 s or
    // 384 KB of the body without a decoded frame.
    bool open(const std::string& mediaType);
    void start();              // the decoder thread; it waits until running
    void setRunning(bool run); // any thread
    void abort();              // any thread; prompt
    bool finished() const { return finished_.load(); }

    // Dispatcher side: markers whose first frame has been played.
    std::vector<PcmMarker> takeMarkersPlayed(std::uint64_t playedFrames);

private:
    static int readPacket(void* self, std::uint8_t* buf, int size);
    static int interrupted(void* self);

    void run();
    bool step(); // false once the input is over
    bool openCodec(int streamIndex);
    void receiveFrames();
    bool convert(AVFrame* frame);
    void push(const float* frames, std::size_t count);
    void attachMarkers(std::int64_t bytePosition);
    void attachInBandTitle();
    void addMarker(std::string text);

    Downloader& source_;
    PcmRing& pcm_;

    // FFmpeg state: the caller's thread in open(), then only the decoder thread.
    AVIOContext* avio_ = nullptr;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwrContext* swr_ = nullptr;
    int streamIndex_ = -1;
    bool inBandTitleRead_ = false; // the stream's first comments were looked at
    struct InBandComments {
        std::string artist, title;
    };
    InBandComments lastComments_;                        // as the demuxer held them last
    int swrRate_ = 0, swrFormat_ = -1, swrChannels_ = 0; // input the resampler was built for
    std::vector<float> scratch_;
    bool producedFrame_ = false;
    // While open() runs: its deadline and the body bytes it has read (caller's thread).
    bool opening_ = false;
    std::chrono::steady_clock::time_point openDeadline_;
    std::size_t openBytes_ = 0;

    std::thread thread_;
    std::atomic<bool> abort_{false};
    std::atomic<bool> finished_{false};
    std::mutex runMutex_;
    std::condition_variable runChanged_;
    bool running_ = false; // guarded by runMutex_

    std::mutex markerMutex_;
    std::deque<PcmMarker> markers_; // decoder thread appends, dispatcher takes; bounded
};

} // namespace zelvorna
