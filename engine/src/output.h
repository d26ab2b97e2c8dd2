// The output layer: one SDL2 device (44.1 kHz, stereo, float32) mixing every playing stream.
#pragma once

#include "pcm_ring.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace zelvorna {

// What the audio callback reads of a stream: its PCM and its gain.
struct MixChannel {
    explicit MixChannel(std::size_t frames) : pcm(frames) {}
    PcmRing pcm;
    std::atomic<float> gain{1.0f};
    // When the device first took audio of this channel (steady clock, ns; 0: not yet), for the
    // benchmarks' timing marks: the callback stores it, the dispatcher reports it once.
    std::atomic<std::int64_t> firstMixedNs{0};
    bool firstMixReported = false; // dispatcher thread only
};

// Not thread-safe itself: the engine calls it under its own lock. The audio callback only runs
// between open() and close() and sees the channel list under SDL's device lock.
class Output {
public:
    static constexpr std::size_t kMaxChannels = 32;

    bool open(); // false when no device opens
    void close();

    bool add(MixChannel* channel);
    void remove(MixChannel* channel);

private:
    static void callback(void* self, std::uint8_t* stream, int len);

    std::uint32_t device_ = 0;
    // Guarded by SDL's device lock; read by the audio callback.
    std::array<MixChannel*, kMaxChannels> channels_{};
    std::size_t count_ = 0;
};

} // namespace zelvorna
