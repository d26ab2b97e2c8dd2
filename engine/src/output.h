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
// while a device is open and sees the channel list under SDL's device lock. The channel list
// outlives the device: a device that is lost is opened again with the same channels.
class Output {
public:
    static constexpr std::size_t kMaxChannels = 32;
    // A device whose callback has not run for this long is taken as lost (its sound server went
    // away without SDL noticing). Longer than an idle PulseAudio sink takes to wake (up to 2 s).
    static constexpr std::chrono::milliseconds kSilentCallbackLimit{3000};

    bool open(); // false when no device opens
    void close();
    // Whatever is left of the device closed and a new one opened, with the channels kept and what
    // piled up in them dropped, so sound resumes at the newest audio. False when none opens.
    bool reopen();
    bool isOpen() const { return device_ != 0; }
    // The device was removed, or its callback stopped being called.
    bool lost() const;

    bool add(MixChannel* channel);
    void remove(MixChannel* channel);

private:
    static void callback(void* self, std::uint8_t* stream, int len);
    bool openDevice();
    void closeDevice();

    std::uint32_t device_ = 0;
    // Guarded by SDL's device lock while a device is open; read by the audio callback.
    std::array<MixChannel*, kMaxChannels> channels_{};
    std::size_t count_ = 0;
    // When the callback last ran (steady clock, ns): written by the callback only.
    std::atomic<std::int64_t> lastCallbackNs_{0};
};

} // namespace zelvorna
