#include "output.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

namespace zelvorna {

namespace {
std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

bool Output::open() {
    if (device_ != 0)
        return true;
    count_ = 0;
    return openDevice();
}

void Output::close() {
    closeDevice();
    count_ = 0;
}

bool Output::reopen() {
    closeDevice();
    // No callback runs now: this thread may act as the rings' reader.
    for (std::size_t i = 0; i < count_; ++i)
        channels_[i]->pcm.discard();
    return openDevice();
}

bool Output::lost() const {
    if (device_ == 0)
        return true;
    if (SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING)
        return true;
    const auto silentFor = std::chrono::nanoseconds(NowNs() - lastCallbackNs_.load());
    return silentFor > kSilentCallbackLimit;
}

bool Output::openDevice() {
    // Ctrl+C belongs to the application, not to the audio layer.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // A new start of SDL's audio part each time: after a sound server restart the old connection
    // to it is of no use.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    // ~46 ms. Measured through PulseAudio, 1024 frames brought the first sound about 20 ms
    // sooner but cost 0.1 CPU second a minute of playing (0.25 to 0.36): the wake-ups, not the
    // mix, are the cost, and they last as long as the stream plays.
    want.samples = 2048;
    want.callback = &Output::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    lastCallbackNs_ = NowNs(); // the first callback is due within one period
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void Output::closeDevice() {
    if (device_ == 0)
        return;
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// With no device open there is no callback to keep out: the list is changed as it is.
bool Output::add(MixChannel* channel) {
    if (device_ != 0)
        SDL_LockAudioDevice(device_);
    const bool present = std::find(channels_.begin(), channels_.begin() + count_, channel) !=
                         channels_.begin() + count_;
    const bool ok = present || count_ < kMaxChannels;
    if (!present && ok)
        channels_[count_++] = channel;
    if (device_ != 0)
        SDL_UnlockAudioDevice(device_);
    return ok;
}

void Output::remove(MixChannel* channel) {
    if (device_ != 0)
        SDL_LockAudioDevice(device_);
    auto end = channels_.begin() + count_;
    auto it = std::find(channels_.begin(), end, channel);
    if (it != end) {
        *it = *(end - 1);
        --count_;
    }
    if (device_ != 0)
        SDL_UnlockAudioDevice(device_);
}

void Output::callback(void* opaque, std::uint8_t* stream, int len) {
    // Runs on SDL's audio thread: copies and adds only, never blocks or allocates.
    auto& self = *static_cast<Output*>(opaque);
    self.lastCallbackNs_.store(NowNs(), std::memory_order_relaxed);
    std::memset(stream, 0, std::size_t(len));
    auto* out = reinterpret_cast<float*>(stream);
    const std::size_t frames = std::size_t(len) / (sizeof(float) * PcmRing::kChannels);
    for (std::size_t i = 0; i < self.count_; ++i) {
        MixChannel* c = self.channels_[i];
        const std::size_t mixed =
            c->pcm.mixInto(out, frames, c->gain.load(std::memory_order_relaxed));
        if (mixed > 0 && c->firstMixedNs.load(std::memory_order_relaxed) == 0) {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            c->firstMixedNs.store(std::chrono::nanoseconds(now).count(), std::memory_order_relaxed);
        }
    }
}

} // namespace zelvorna
