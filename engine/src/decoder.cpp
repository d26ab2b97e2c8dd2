#include "decoder.h"

#include "downloader.h"
#include "icy_metadata.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <chrono>
#include <mutex>

namespace zelvorna {

namespace {

constexpr int kAvioBufferSize = 4096;
// Without a hint, FFmpeg would read ~130 KB of a live MP3 before deciding.
constexpr int kProbeBytes = 32 * 1024;
constexpr int kMaxPacketsForFirstFrame = 256;
// A body that is not audio (a misconfigured mount, a captive portal's page of noise) is known
// within this much time or data.
constexpr auto kOpenTimeLimit = std::chrono::seconds(5);
constexpr std::size_t kOpenByteLimit = 384 * 1024;
// A live stream is never sought, yet FFmpeg indexes every frame of it, up to 1 MiB by default:
// a day-long listen would keep that much for nothing.
constexpr unsigned kMaxSeekIndexBytes = 4096;
constexpr std::size_t kMaxMarkers = 64;

} // namespace

const char* formatForMediaType(const std::string& type) {
    if (type == "audio/mpeg" || type == "audio/mp3" || type == "audio/mpeg3" ||
        type == "audio/x-mpeg")
        return "mp3";
    if (type == "audio/aac" || type == "audio/aacp" || type == "audio/x-aac")
        return "aac";
    if (type == "application/ogg" || type == "audio/ogg" || type == "audio/x-ogg" ||
        type == "audio/opus" || type == "audio/vorbis")
        return "ogg";
    if (type == "audio/flac" || type == "audio/x-flac")
        return "flac";
    return nullptr;
}

Decoder::Decoder(Downloader& source, PcmRing& pcm) : source_(source), pcm_(pcm) {}

Decoder::~Decoder() {
    abort();
    if (thread_.joinable())
        thread_.join();
    swr_free(&swr_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
    if (avio_) {
        av_freep(&avio_->buffer); // FFmpeg may have replaced the buffer we gave it
        avio_context_free(&avio_);
    }
}

int Decoder::readPacket(void* opaque, std::uint8_t* buf, int size) {
    auto& self = *static_cast<Decoder*>(opaque);
    std::size_t n = 0;
    if (self.opening_) {
        if (self.openBytes_ >= kOpenByteLimit)
            return AVERROR_INVALIDDATA;
        const std::size_t wanted = std::min(std::size_t(size), kOpenByteLimit - self.openBytes_);
        n = self.source_.ring().readUntil(buf, wanted, self.openDeadline_);
        self.openBytes_ += n;
        if (n == 0 && std::chrono::steady_clock::now() >= self.openDeadline_)
            return AVERROR_EXIT;
    } else {
        n = self.source_.ring().read(buf, std::size_t(size));
    }
    self.source_.consumed();
    if (n == 0)
        return self.abort_ ? AVERROR_EXIT : AVERROR_EOF;
    return int(n);
}

int Decoder::interrupted(void* opaque) {
    auto& self = *static_cast<Decoder*>(opaque);
    if (self.abort_)
        return 1;
    return self.opening_ && std::chrono::steady_clock::now() >= self.openDeadline_ ? 1 : 0;
}

bool Decoder::open(const std::string& mediaType) {
    opening_ = true;
    openDeadline_ = std::chrono::steady_clock::now() + kOpenTimeLimit;
    openBytes_ = 0;
    struct TEndOfOpen {
        bool& opening;
        ~TEndOfOpen() { opening = false; }
    } endOfOpen{opening_};
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); }); // the engine writes no log
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kAvioBufferSize));
    avio_ = avio_alloc_context(buffer, kAvioBufferSize, 0, this, &Decoder::readPacket, nullptr,
                               nullptr);
    if (!avio_) {
        av_free(buffer);
        return false;
    }
    avio_->seekable = 0;
    format_ = avformat_alloc_context();
    format_->pb = avio_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    format_->interrupt_callback = {&Decoder::interrupted, this};
    format_->format_probesize = kProbeBytes;
    format_->probesize = kProbeBytes;
    format_->max_index_size = kMaxSeekIndexBytes;
    const AVInputFormat* hint = nullptr;
    if (const char* name = formatForMediaType(mediaType))
        hint = av_find_input_format(name);
    if (avformat_open_input(&format_, nullptr, hint, nullptr) < 0)
        return false; // FFmpeg freed format_ and set it to null

    // The first audio stream that has a decoder (av_find_best_stream wants probed codec info).
    for (unsigned i = 0; i < format_->nb_streams && streamIndex_ < 0; ++i)
        openCodec(int(i));
    if (streamIndex_ < 0)
        return false;
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!packet_ || !frame_)
        return false;
    for (int i = 0; i < kMaxPacketsForFirstFrame && !producedFrame_; ++i) {
        if (!step())
            break;
    }
    return producedFrame_ && !abort_;
}

// Decodes stream i from now on, when it is audio with a decoder.
bool Decoder::openCodec(int i) {
    const AVCodecParameters* par = format_->streams[i]->codecpar;
    if (par->codec_type != AVMEDIA_TYPE_AUDIO)
        return false;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec)
        return false;
    AVCodecContext* context = avcodec_alloc_context3(codec);
    if (!context || avcodec_parameters_to_context(context, par) < 0 ||
        avcodec_open2(context, codec, nullptr) < 0) {
        avcodec_free_context(&context);
        return false;
    }
    avcodec_free_context(&codec_);
    codec_ = context;
    streamIndex_ = i;
    inBandTitleRead_ = false; // a new logical stream has comments of its own
    return true;
}

void Decoder::start() {
    thread_ = std::thread([this] { run(); });
}

void Decoder::setRunning(bool run) {
    {
        std::lock_guard lock(runMutex_);
        running_ = run;
    }
    runChanged_.notify_all();
}

void Decoder::abort() {
    abort_ = true;
    source_.ring().interrupt();
    { std::lock_guard lock(runMutex_); }
    runChanged_.notify_all();
}

std::vector<PcmMarker> Decoder::takeMarkersPlayed(std::uint64_t playedFrames) {
    std::vector<PcmMarker> out;
    std::lock_guard lock(markerMutex_);
    while (!markers_.empty() && markers_.front().frame < playedFrames) {
        out.push_back(std::move(markers_.front()));
        markers_.pop_front();
    }
    return out;
}

void Decoder::run() {
    while (!abort_) {
        {
            std::unique_lock lock(runMutex_);
            runChanged_.wait(lock, [&] { return running_ || abort_; });
        }
        if (abort_ || !step())
            break;
    }
    finished_ = true;
}

bool Decoder::step() {
    const int r = av_read_frame(format_, packet_);
    if (r < 0) {
        if (!abort_) {
            // End of the stream: what the decoder and the resampler still hold is audio too.
            avcodec_send_packet(codec_, nullptr);
            receiveFrames();
            if (swr_) {
                scratch_.resize(std::size_t(swr_get_out_samples(swr_, 0) + 32) * 2);
                auto* out = reinterpret_cast<std::uint8_t*>(scratch_.data());
                const int left = swr_convert(swr_, &out, int(scratch_.size() / 2), nullptr, 0);
                if (left > 0)
                    push(scratch_.data(), std::size_t(left));
            }
        }
        return false;
    }
    // A reconnection to an Ogg stream starts a new logical stream (chained Ogg): follow it.
    if (packet_->stream_index != streamIndex_ &&
        !(packet_->stream_index > streamIndex_ && openCodec(packet_->stream_index))) {
        av_packet_unref(packet_);
        return true;
    }
    attachMarkers(packet_->pos >= 0 ? packet_->pos : avio_tell(format_->pb));
    attachInBandTitle();
    const int sent = avcodec_send_packet(codec_, packet_);
    av_packet_unref(packet_);
    if (sent < 0 && sent != AVERROR(EAGAIN))
        return true; // a damaged packet of a live stream: skip it
    receiveFrames();
    return true;
}

void Decoder::receiveFrames() {
    while (!abort_ && avcodec_receive_frame(codec_, frame_) == 0) {
        if (convert(frame_))
            producedFrame_ = true;
        av_frame_unref(frame_);
    }
}

bool Decoder::convert(AVFrame* frame) {
    const int channels = frame->ch_layout.nb_channels;
    if (channels <= 0 || frame->sample_rate <= 0)
        return false;
    if (!swr_ || swrRate_ != frame->sample_rate || swrFormat_ != frame->format ||
        swrChannels_ != channels) {
        // Rebuilt when the input changes: HE-AAC may switch rate, a station may switch layout.
        swr_free(&swr_);
        AVChannelLayout in{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, channels);
        else
            av_channel_layout_copy(&in, &frame->ch_layout);
        AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
        swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_FLT, kRate, &in,
                            AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        if (swr_ && channels == 1) {
            // Mono to both speakers at full level (the default mix is 3 dB quieter).
            const double matrix[2] = {1.0, 1.0};
            swr_set_matrix(swr_, matrix, 1);
        }
        if (!swr_ || swr_init(swr_) < 0) {
            swr_free(&swr_);
            return false;
        }
        swrRate_ = frame->sample_rate;
        swrFormat_ = frame->format;
        swrChannels_ = channels;
    }
    const int capacity = swr_get_out_samples(swr_, frame->nb_samples) + 32;
    scratch_.resize(std::size_t(capacity) * 2);
    auto* out = reinterpret_cast<std::uint8_t*>(scratch_.data());
    const int n =
        swr_convert(swr_, &out, capacity, const_cast<const std::uint8_t**>(frame->extended_data),
                    frame->nb_samples);
    if (n <= 0)
        return n == 0;
    push(scratch_.data(), std::size_t(n));
    return true;
}

void Decoder::push(const float* frames, std::size_t count) {
    while (count > 0 && !abort_) {
        const std::size_t n = pcm_.write(frames, count);
        frames += n * PcmRing::kChannels;
        count -= n;
        if (count > 0) {
            // Wait until the device has made room for this and a quarter second more, so the
            // decoder runs in bursts instead of waking for every packet.
            const std::size_t wanted = count + kRate / 4;
            const auto ms = std::clamp<long>(long(wanted * 1000 / kRate), 20, 300);
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        }
    }
}

void Decoder::attachMarkers(std::int64_t bytePosition) {
    auto blocks = source_.takeMarkersUpTo(std::uint64_t(std::max<std::int64_t>(bytePosition, 0)));
    for (auto& block : blocks)
        addMarker(std::move(block.text));
}

// Ogg stations (Vorbis, Opus) send their titles as comments, a new set with each song (chained
// Ogg): reported as an ICY title, from the audio that follows them.
void Decoder::attachInBandTitle() {
    AVStream* stream = format_->streams[streamIndex_];
    const bool updated = stream->event_flags & AVSTREAM_EVENT_FLAG_METADATA_UPDATED;
    if (!updated && inBandTitleRead_)
        return;
    stream->event_flags &= ~AVSTREAM_EVENT_FLAG_METADATA_UPDATED;
    inBandTitleRead_ = true;
    const auto raw = [stream](const char* key) {
        const AVDictionaryEntry* entry = av_dict_get(stream->metadata, key, nullptr, 0);
        return std::string(entry && entry->value ? entry->value : "");
    };
    InBandComments now{raw("artist"), raw("title")};
    // FFmpeg appends a chained Opus song's comments to the last ones ("old;new"): the new value
    // is what follows the old.
    const auto fresh = [](const std::string& value, const std::string& before) {
        return !before.empty() && value.size() > before.size() &&
                       value.compare(0, before.size(), before) == 0 && value[before.size()] == ';'
                   ? value.substr(before.size() + 1)
                   : value;
    };
    const std::string artist = fresh(now.artist, lastComments_.artist);
    const std::string title = fresh(now.title, lastComments_.title);
    lastComments_ = std::move(now);
    std::string tag = StreamTitleTag(artist, title);
    if (!tag.empty())
        addMarker(std::move(tag));
}

void Decoder::addMarker(std::string text) {
    std::lock_guard lock(markerMutex_);
    markers_.push_back(PcmMarker{pcm_.written(), std::move(text)});
    while (markers_.size() > kMaxMarkers)
        markers_.pop_front();
}

} // namespace zelvorna
