#include "stream.h"

#include "zelvorna_timing.h"

#include <algorithm>

namespace zelvorna {

namespace {

constexpr std::size_t kPcmFrames = 2 * Decoder::kRate; // the jitter buffer once playing
constexpr std::size_t kMetaHistory = 8;

} // namespace

Stream::Stream(DWORD handle, DWORD flags, std::string url, bool followPlaylists)
    : handle_(handle), flags_(flags), mix_(kPcmFrames),
      downloader_(std::move(url), followPlaylists), decoder_(downloader_, mix_.pcm) {}

Stream::~Stream() {
    abort();
    // Members go in reverse order: the decoder thread ends before the download it reads.
}

bool Stream::connect(unsigned prebufPercent) {
    downloader_.start();
    if (!downloader_.waitUntilReady()) {
        error_ = downloader_.errorCode();
        return false;
    }
    const ReplyHeaders& headers = downloader_.headers();
    if (headers.isIcy())
        icyTags_ = headers.packed(false);
    else
        httpTags_ = headers.packed(true);
    if (!decoder_.open(mediaType(headers.value("content-type").value_or("")))) {
        error_ = aborted_ ? BASS_ERROR_UNKNOWN : BASS_ERROR_FILEFORM;
        return false;
    }
    TimingMark("engine: first frame decoded");
    decoder_.start();
    downloader_.setLive(); // from now on a lost connection is made again
    if (prebufPercent > 0)
        downloader_.waitForFill(prebufPercent);
    if (aborted_) {
        error_ = BASS_ERROR_UNKNOWN;
        return false;
    }
    return true;
}

void Stream::abort() {
    aborted_ = true;
    decoder_.abort();
    downloader_.abort();
}

QWORD Stream::filePosition(DWORD mode) const {
    const ByteRing& ring = downloader_.ring();
    switch (mode) {
    case BASS_FILEPOS_END:
        return ring.nominal();
    case BASS_FILEPOS_BUFFER:
        return std::min(ring.size(), ring.nominal());
    case BASS_FILEPOS_CONNECTED:
        return downloader_.downloading() ? 1 : 0;
    default:
        return QWORD(-1);
    }
}

const char* Stream::tags(DWORD type) const {
    switch (type) {
    case BASS_TAG_ICY:
        return icyTags_.empty() ? nullptr : icyTags_.c_str();
    case BASS_TAG_HTTP:
        return httpTags_.empty() ? nullptr : httpTags_.c_str();
    case BASS_TAG_META: {
        std::lock_guard lock(metaMutex_);
        return metaHistory_.empty() ? nullptr : metaHistory_.back().c_str();
    }
    default:
        return nullptr;
    }
}

QWORD Stream::playedBytes() const {
    return mix_.pcm.played() * sizeof(float) * PcmRing::kChannels;
}

void Stream::addSync(const Sync& sync) {
    std::lock_guard lock(metaMutex_);
    syncs_.push_back(sync);
}

void Stream::setPlaying(bool playing) {
    playing_ = playing;
    decoder_.setRunning(playing);
}

bool Stream::nextPlayedChange(std::vector<Sync>& toFire) {
    for (auto& marker : decoder_.takeMarkersPlayed(mix_.pcm.played()))
        played_.push_back(std::move(marker));
    while (!played_.empty()) {
        std::string text = std::move(played_.front().text);
        played_.pop_front();
        std::lock_guard lock(metaMutex_);
        if (!metaHistory_.empty() && metaHistory_.back() == text)
            continue; // the same title again: nothing changed
        metaHistory_.push_back(std::move(text));
        while (metaHistory_.size() > kMetaHistory)
            metaHistory_.pop_front();
        toFire.clear();
        for (const Sync& sync : syncs_)
            if (sync.type == BASS_SYNC_META)
                toFire.push_back(sync);
        return true;
    }
    return false;
}

bool Stream::drained() const {
    return playing_ && !downloader_.downloading() && decoder_.finished() &&
           mix_.pcm.readable() == 0;
}

} // namespace zelvorna

namespace zelvorna {

std::vector<Sync> Stream::syncsOf(DWORD type) const {
    std::vector<Sync> out;
    std::lock_guard lock(metaMutex_);
    for (const Sync& sync : syncs_)
        if (sync.type == type)
            out.push_back(sync);
    return out;
}

bool Stream::nextStallChange(std::vector<Sync>& toFire, DWORD& data) {
    const bool stalled = downloader_.reconnecting();
    if (stalled == reportedStall_)
        return false;
    reportedStall_ = stalled;
    data = stalled ? 0 : 1;
    toFire = syncsOf(BASS_SYNC_STALL);
    return true;
}

bool Stream::takeEnd(std::vector<Sync>& toFire) {
    if (endReported_ || !drained())
        return false;
    endReported_ = true;
    toFire = syncsOf(BASS_SYNC_END);
    return true;
}

} // namespace zelvorna
