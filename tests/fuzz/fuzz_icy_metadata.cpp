// The ICY de-interleaver on any bytes, split at a place the input chooses: audio and metadata
// always add up to what went in, and no block is larger than the format allows.
#include "icy_metadata.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t metaint = data[0] % 64; // small intervals reach the block states often
    const std::size_t split = data[1];
    const std::span<const std::uint8_t> stream(data + 2, size - 2);
    std::size_t audio = 0;
    std::size_t metaBytes = 0;
    zelvorna::IcyDemuxer demuxer(metaint);
    const auto onAudio = [&](std::span<const std::uint8_t> bytes) { audio += bytes.size(); };
    const auto onMeta = [&](zelvorna::MetaBlock block) {
        if (block.text.empty() || block.text.size() > zelvorna::IcyDemuxer::kMaxBlock)
            std::abort();
        metaBytes += block.text.size();
    };
    const std::size_t cut = stream.empty() ? 0 : split % (stream.size() + 1);
    demuxer.feed(stream.first(cut), onAudio, onMeta);
    demuxer.feed(stream.subspan(cut), onAudio, onMeta);
    if (audio + metaBytes > stream.size())
        std::abort();
    if (metaint == 0 && audio != stream.size())
        std::abort();
    return 0;
}
