// De-interleaves ICY metadata blocks from an audio byte stream. Pure state machine, no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace zelvorna {

struct MetaBlock {
    std::uint64_t audioOffset = 0; // audio bytes that came before the block
    std::string text;              // NUL padding stripped; never empty
};

// The ICY title tag for an in-band title (Ogg comments): "StreamTitle='ARTIST - TITLE';", the
// artist left out when there is none; empty when there is no title. Values are cut to fit one
// ICY block.
std::string StreamTitleTag(std::string_view artist, std::string_view title);

class IcyDemuxer {
public:
    using AudioSink = std::function<void(std::span<const std::uint8_t>)>;
    using MetaSink = std::function<void(MetaBlock)>;

    // metaint 0: the stream carries no metadata, every byte is audio.
    explicit IcyDemuxer(std::size_t metaint) : metaint_(metaint), audioLeft_(metaint) {}

    // Feeds the next bytes as they arrive; reads may split a block anywhere.
    void feed(std::span<const std::uint8_t> in, const AudioSink& audio, const MetaSink& meta);

    static constexpr std::size_t kMaxBlock = 255 * 16;

private:
    enum class State { Audio, Length, Meta };
    void finishBlock(const MetaSink& meta);

    std::size_t metaint_;
    State state_ = State::Audio;
    std::size_t audioLeft_;
    std::size_t metaLeft_ = 0;
    std::string block_;
    std::uint64_t audioBytes_ = 0;
};

} // namespace zelvorna
