#include "icy_metadata.h"

#include <algorithm>

namespace zelvorna {

void IcyDemuxer::feed(std::span<const std::uint8_t> in, const AudioSink& audio,
                      const MetaSink& meta) {
    if (metaint_ == 0) {
        audioBytes_ += in.size();
        if (!in.empty())
            audio(in);
        return;
    }
    while (!in.empty()) {
        switch (state_) {
        case State::Audio: {
            const std::size_t n = std::min(audioLeft_, in.size());
            audio(in.first(n));
            audioBytes_ += n;
            audioLeft_ -= n;
            in = in.subspan(n);
            if (audioLeft_ == 0)
                state_ = State::Length;
            break;
        }
        case State::Length:
            metaLeft_ = std::size_t(in.front()) * 16;
            in = in.subspan(1);
            block_.clear();
            if (metaLeft_ == 0) {
                // An empty block means "no change".
                state_ = State::Audio;
                audioLeft_ = metaint_;
            } else {
                state_ = State::Meta;
            }
            break;
        case State::Meta: {
            const std::size_t n = std::min(metaLeft_, in.size());
            block_.append(reinterpret_cast<const char*>(in.data()), n);
            metaLeft_ -= n;
            in = in.subspan(n);
            if (metaLeft_ == 0)
                finishBlock(meta);
            break;
        }
        }
    }
}

void IcyDemuxer::finishBlock(const MetaSink& meta) {
    const auto end = block_.find('\0');
    if (end != std::string::npos)
        block_.resize(end);
    if (!block_.empty())
        meta(MetaBlock{audioBytes_, std::move(block_)});
    block_.clear();
    state_ = State::Audio;
    audioLeft_ = metaint_;
}

std::string StreamTitleTag(std::string_view artist, std::string_view title) {
    if (title.empty())
        return {};
    std::string text(artist);
    if (!text.empty())
        text += " - ";
    text += title;
    constexpr std::size_t kRoom = IcyDemuxer::kMaxBlock - sizeof("StreamTitle='';");
    if (text.size() > kRoom) {
        text.resize(kRoom);
        // Never end inside a UTF-8 sequence.
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
            text.pop_back();
        if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0)
            text.pop_back();
    }
    return "StreamTitle='" + text + "';";
}

} // namespace zelvorna
