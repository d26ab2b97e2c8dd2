// Single-producer single-consumer ring of stereo float frames: the decoder thread writes, the
// audio callback reads. Lock-free so the callback never blocks.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelvorna {

class PcmRing {
public:
    static constexpr int kChannels = 2;

    explicit PcmRing(std::size_t frames) : data_(frames * kChannels), frames_(frames) {}

    std::size_t capacity() const { return frames_; }
    std::uint64_t written() const { return written_.load(std::memory_order_acquire); }
    std::uint64_t played() const { return read_.load(std::memory_order_acquire); }
    std::size_t readable() const { return std::size_t(written() - played()); }

    // Producer: copies up to n frames, returns how many fitted.
    std::size_t write(const float* in, std::size_t n) {
        const std::uint64_t w = written_.load(std::memory_order_relaxed);
        n = std::min(n, frames_ - std::size_t(w - read_.load(std::memory_order_acquire)));
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t at = std::size_t((w + i) % frames_) * kChannels;
            data_[at] = in[i * kChannels];
            data_[at + 1] = in[i * kChannels + 1];
        }
        written_.store(w + n, std::memory_order_release);
        return n;
    }

    // Consumer: adds up to n frames times gain into out, returns how many were there.
    std::size_t mixInto(float* out, std::size_t n, float gain) {
        const std::uint64_t r = read_.load(std::memory_order_relaxed);
        n = std::min(n, std::size_t(written_.load(std::memory_order_acquire) - r));
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t at = std::size_t((r + i) % frames_) * kChannels;
            out[i * kChannels] += data_[at] * gain;
            out[i * kChannels + 1] += data_[at + 1] * gain;
        }
        read_.store(r + n, std::memory_order_release);
        return n;
    }

    // Consumer, while no callback runs: drops what is waiting, so playing resumes at the newest.
    void discard() {
        read_.store(written_.load(std::memory_order_acquire), std::memory_order_release);
    }

private:
    std::vector<float> data_;
    std::size_t frames_;
    std::atomic<std::uint64_t> written_{0}; // advanced by the decoder thread only
    std::atomic<std::uint64_t> read_{0};    // advanced by the audio callback only
};

} // namespace zelvorna
