#include "downloader.h"

#include "playlist.h"
#include "stream_engine.h"
#include "tls_trust.h"
#include "zelvorna_timing.h"

#include <curl/curl.h>

#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <optional>

namespace zelvorna {

namespace {

using Clock = std::chrono::steady_clock;

constexpr long kConnectTimeoutMs = 5000; // name lookup included
// A server that accepts but never answers is given up on after this.
constexpr auto kReplyTimeout = std::chrono::seconds(10);
// Silence before the stream is live: the decoder gives up sooner on a body that is not audio.
constexpr auto kStallTimeout = std::chrono::seconds(10);
// Silence of a live stream: the connection is taken for lost and made again.
constexpr auto kLiveStallTimeout = std::chrono::seconds(4);
// Reconnection: pauses that grow from the first to the longest, until no audio came for this long.
constexpr auto kFirstRetryPause = std::chrono::milliseconds(250);
constexpr auto kLongestRetryPause = std::chrono::milliseconds(5000);
constexpr auto kGiveUpAfter = std::chrono::seconds(30);
// A TLS server answers a ClientHello within a round trip or two; a plain HTTP server (Icecast)
// just waits for a request line, so give up on the handshake after this plus ten round trips.
constexpr auto kHandshakeGrace = std::chrono::milliseconds(300);
constexpr std::size_t kMaxPlaylistBytes = 64 * 1024;
constexpr unsigned kTcpEstablished = 1; // tcp_info's state, as the kernel numbers it
constexpr std::size_t kMaxMarkers = 64;
// Room past the nominal size for the chunk that arrives when the ring is nearly full.
constexpr std::size_t kRingSlack = 4 * CURL_MAX_WRITE_SIZE;

int engineError(CURLcode code) {
    switch (code) {
    case CURLE_OK:
        return BASS_OK;
    case CURLE_OPERATION_TIMEDOUT:
        return BASS_ERROR_TIMEOUT;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_USE_SSL_FAILED:
        return BASS_ERROR_SSL;
    case CURLE_ABORTED_BY_CALLBACK:
        return BASS_ERROR_UNKNOWN;
    default:
        return BASS_ERROR_FILEOPEN;
    }
}

} // namespace

// State of one HTTP transfer; only touched by the curl thread.
struct Downloader::Transfer {
    Downloader* self = nullptr;
    CURL* easy = nullptr;
    bool playlistAllowed = false;
    std::string playlistBody;
    ReplyHeaders headers;
    bool final = false;        // the reply whose body we take has begun
    bool reconnecting = false; // a new connection of a live stream
    bool gotAudio = false;     // audio bytes reached the ring
    bool playlist = false;     // that body is a playlist
    bool paused = false;       // held back until the ring has room
    int httpError = 0;         // set when the reply itself refused us
    std::string effectiveUrl;  // of the final reply, to resolve playlist entries
    std::vector<std::uint8_t> scratch;
    Clock::time_point lastData = Clock::now();
    Clock::time_point started = Clock::now();

    // Every socket curl opened for the first connection (both families of a dual-stack host),
    // set before connect(); a redirect starts a new connection and is not watched.
    std::vector<curl_socket_t> sockets;
    std::optional<Clock::time_point> tcpConnected;

    // A TLS handshake to a plain HTTP server: TCP is up on some socket, yet no byte has come back
    // on any of them for well over a round trip. A TLS server that answers, however slowly, is
    // never cut: its first bytes show in the kernel's count.
    bool handshakeStalled() {
        if (!headers.statusLine().empty() || sockets.empty())
            return false;
        curl_off_t tlsUs = 0;
        curl_easy_getinfo(easy, CURLINFO_APPCONNECT_TIME_T, &tlsUs);
        if (tlsUs > 0)
            return false;
        bool connected = false;
        long roundTripUs = 0;
        for (const curl_socket_t socket : sockets) {
            tcp_info info{};
            socklen_t length = sizeof info;
            if (getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &length) != 0)
                continue; // closed meanwhile: a failed attempt of another family
            if (info.tcpi_state != kTcpEstablished)
                continue;
            if (info.tcpi_bytes_received > 0)
                return false; // the server answers: a real handshake, however slow
            connected = true;
            roundTripUs = std::max<long>(roundTripUs, info.tcpi_rtt);
        }
        if (!connected)
            return false; // TCP still connecting: the connect timeout covers that
        const auto now = Clock::now();
        if (!tcpConnected)
            tcpConnected = now;
        return now - *tcpConnected > kHandshakeGrace + 10 * std::chrono::microseconds(roundTripUs);
    }
};

Downloader::Downloader(std::string url, bool followPlaylists)
    : url_(std::move(url)), followPlaylists_(followPlaylists) {}

Downloader::~Downloader() {
    abort();
    if (thread_.joinable())
        thread_.join();
}

void Downloader::start() {
    thread_ = std::thread([this] { run(); });
}

bool Downloader::waitUntilReady() {
    std::unique_lock lock(phaseMutex_);
    phaseChanged_.wait(lock, [&] { return phase_ != Phase::Connecting; });
    return phase_ == Phase::Ready;
}

void Downloader::waitForFill(unsigned percent) {
    const std::size_t target = ring_.nominal() * std::min(percent, 100u) / 100;
    while (!abort_ && downloading_ && ring_.size() < target)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void Downloader::abort() {
    abort_ = true;
    ring_.interrupt();
    std::lock_guard lock(phaseMutex_);
    if (auto* multi = multi_.load())
        curl_multi_wakeup(static_cast<CURLM*>(multi));
    if (phase_ == Phase::Connecting) {
        phase_ = Phase::Failed;
        error_ = BASS_ERROR_UNKNOWN;
    }
    phaseChanged_.notify_all();
}

int Downloader::errorCode() const {
    std::lock_guard lock(phaseMutex_);
    return error_;
}

std::vector<MetaBlock> Downloader::takeMarkersUpTo(std::uint64_t audioOffset) {
    std::vector<MetaBlock> out;
    std::lock_guard lock(markerMutex_);
    while (!markers_.empty() && markers_.front().audioOffset <= audioOffset) {
        out.push_back(std::move(markers_.front()));
        markers_.pop_front();
    }
    return out;
}

void Downloader::consumed() {
    if (!holdingBack_ || ring_.size() >= ring_.nominal())
        return;
    std::lock_guard lock(phaseMutex_);
    if (auto* multi = multi_.load())
        curl_multi_wakeup(static_cast<CURLM*>(multi));
}

std::size_t Downloader::ringSizeForBitrate(int kbps) {
    // About half a second of the stream: enough to start, small enough to start quickly.
    const std::size_t bytes = std::size_t(std::max(kbps, 0)) * 1000 / 8 / 2;
    return std::clamp<std::size_t>(bytes, 4096, 65536);
}

void Downloader::setPhase(Phase phase, int error) {
    std::lock_guard lock(phaseMutex_);
    if (phase_ != Phase::Connecting)
        return;
    phase_ = phase;
    error_ = error;
    phaseChanged_.notify_all();
}

void Downloader::run() {
    std::string next;
    TransferEnd end = transfer(url_, followPlaylists_, &next, false);
    if (end.error == BASS_OK && !next.empty())
        end = transfer(next, false, nullptr, false); // one level of playlist only
    reconnect(end);
    reconnecting_ = false;
    downloading_ = false;
    ring_.close();
    setPhase(Phase::Failed, end.error == BASS_OK ? BASS_ERROR_FILEOPEN : end.error);
}

// A live stream whose transfer ended, however, connects again to the address its audio came
// from, at the live edge: the ring keeps what it holds, the decoder reads on. It gives up when
// no audio came for kGiveUpAfter, or at once when the server answers with something not audio.
void Downloader::reconnect(TransferEnd end) {
    auto lastAudio = Clock::now();
    auto retryPause = kFirstRetryPause;
    while (!abort_ && live_ && !end.refused && !end.finished && !streamUrl_.empty()) {
        if (end.gotAudio) {
            lastAudio = Clock::now();
            retryPause = kFirstRetryPause;
        }
        if (Clock::now() - lastAudio > kGiveUpAfter)
            return;
        reconnecting_ = true;
        if (!pause(retryPause))
            return;
        retryPause = std::min(retryPause * 2, kLongestRetryPause);
        end = transfer(streamUrl_, false, nullptr, true);
    }
}

bool Downloader::pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(phaseMutex_);
    phaseChanged_.wait_for(lock, duration, [&] { return abort_.load(); });
    return !abort_;
}

Downloader::TransferEnd Downloader::transfer(const std::string& url, bool playlistAllowed,
                                             std::string* nextUrl, bool reconnecting) {
    if (abort_)
        return {BASS_ERROR_UNKNOWN};
    Transfer t;
    t.self = this;
    t.playlistAllowed = playlistAllowed;
    t.reconnecting = reconnecting;
    const bool tls = url.rfind("https:", 0) == 0;
    t.easy = curl_easy_init();
    if (!t.easy)
        return {BASS_ERROR_UNKNOWN};
    curl_slist* requestHeaders = curl_slist_append(nullptr, "Icy-MetaData: 1");
    curl_slist* aliases = curl_slist_append(nullptr, "ICY 200 OK");
    CURL* e = t.easy;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    // A playlist must not make us read local files or speak other protocols.
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, requestHeaders);
    curl_easy_setopt(e, CURLOPT_HTTP200ALIASES, aliases);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "RadioZelvorna/1.0");
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // An abort during a name lookup must not wait for the resolver thread to finish.
    curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Downloader::onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Downloader::onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &Downloader::onProgress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(e, CURLOPT_SOCKOPTFUNCTION, &Downloader::onSocket);
    curl_easy_setopt(e, CURLOPT_SOCKOPTDATA, &t);
    if (tls)
        SetUpTrust(e);

    CURLM* multi = curl_multi_init();
    curl_multi_add_handle(multi, e);
    {
        std::lock_guard lock(phaseMutex_);
        multi_ = multi;
    }
    CURLcode result = CURLE_OK;
    for (;;) {
        if (abort_) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (t.paused && ring_.size() < ring_.nominal()) {
            t.paused = false;
            holdingBack_ = false;
            t.lastData = Clock::now();
            curl_easy_pause(e, CURLPAUSE_CONT);
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        int queued = 0;
        bool done = false;
        while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
            if (msg->msg == CURLMSG_DONE) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done || running == 0)
            break;
        if (tls && t.handshakeStalled()) {
            result = CURLE_SSL_CONNECT_ERROR;
            break;
        }
        const auto now = Clock::now();
        if (!t.final && now - t.started > kReplyTimeout) {
            result = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        const auto stall = t.final && live_ ? kLiveStallTimeout : kStallTimeout;
        if (!t.paused && now - t.lastData > stall) {
            result = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, t.final ? 100 : 20, nullptr);
    }
    {
        std::lock_guard lock(phaseMutex_);
        multi_ = nullptr;
    }
    curl_multi_remove_handle(multi, e);
    curl_multi_cleanup(multi);
    curl_easy_cleanup(e);
    curl_slist_free_all(requestHeaders);
    curl_slist_free_all(aliases);

    if (t.httpError != 0)
        return {t.httpError, t.gotAudio, true};
    if (t.playlist) {
        if (result != CURLE_OK)
            return {engineError(result)};
        const auto entry = firstPlaylistEntry(t.playlistBody);
        if (!entry || !nextUrl)
            return {BASS_ERROR_FILEFORM};
        // Entries are resolved against the playlist's own final address.
        *nextUrl = resolveUrl(t.effectiveUrl, *entry);
        return {BASS_OK};
    }
    // A live stream that ends after it started is not an error of the connection.
    if (t.final) {
        const bool whole = result == CURLE_OK && t.headers.value("content-length").has_value();
        return {BASS_OK, t.gotAudio, false, whole};
    }
    return {engineError(result == CURLE_OK ? CURLE_RECV_ERROR : result), false};
}

// For the benchmarks: when TCP, TLS and the reply's headers were done, on the caller's clock.
void Downloader::markConnectionSteps(const Transfer& t) {
    if (!TimingOn())
        return;
    curl_off_t tcpUs = 0, tlsUs = 0;
    curl_easy_getinfo(t.easy, CURLINFO_CONNECT_TIME_T, &tcpUs);
    curl_easy_getinfo(t.easy, CURLINFO_APPCONNECT_TIME_T, &tlsUs);
    TimingMarkAt("engine: TCP connected", t.started + std::chrono::microseconds(tcpUs));
    if (tlsUs > 0)
        TimingMarkAt("engine: TLS handshake done", t.started + std::chrono::microseconds(tlsUs));
    TimingMark("engine: reply headers read");
}

std::size_t Downloader::onHeader(char* data, std::size_t size, std::size_t n, void* userdata) {
    auto& t = *static_cast<Transfer*>(userdata);
    const std::size_t bytes = size * n;
    t.lastData = Clock::now();
    if (t.final)
        return bytes; // trailers
    t.headers.addLine(std::string_view(data, bytes));
    if (!t.headers.complete())
        return bytes;
    const int status = t.headers.status();
    if (status >= 100 && status < 200)
        return bytes;
    if (status >= 300 && status < 400 && t.headers.value("location"))
        return bytes; // curl follows it
    if (status < 200 || status >= 300) {
        t.httpError = BASS_ERROR_FILEOPEN;
        return 0;
    }
    t.final = true;
    char* effective = nullptr;
    curl_easy_getinfo(t.easy, CURLINFO_EFFECTIVE_URL, &effective);
    t.effectiveUrl = effective ? effective : "";
    const auto type = mediaType(t.headers.value("content-type").value_or(""));
    Downloader& self = *t.self;
    int metaint = leadingNumber(t.headers.value("icy-metaint").value_or(""), 0);
    if (metaint < 0 || metaint > (1 << 20))
        metaint = 0;
    if (t.reconnecting) {
        // The stream's tags, ring and decoder stay; only a page where audio was is refused.
        if (type.rfind("text/", 0) == 0) {
            t.httpError = BASS_ERROR_FILEFORM;
            return 0;
        }
        self.audioBase_ = self.audioWritten_;
        self.demuxer_ = std::make_unique<IcyDemuxer>(std::size_t(metaint));
        return bytes;
    }
    if (t.playlistAllowed && isPlaylist(type, t.effectiveUrl)) {
        t.playlist = true;
        return bytes;
    }
    markConnectionSteps(t);
    self.headers_ = t.headers;
    self.streamUrl_ = t.effectiveUrl;
    const int kbps = leadingNumber(t.headers.value("icy-br").value_or(""), 128);
    self.ring_.reset(ringSizeForBitrate(kbps > 0 ? kbps : 128), kRingSlack);
    self.audioBase_ = self.audioWritten_;
    self.demuxer_ = std::make_unique<IcyDemuxer>(std::size_t(metaint));
    self.setPhase(Phase::Ready);
    return bytes;
}

std::size_t Downloader::onBody(char* data, std::size_t size, std::size_t n, void* userdata) {
    auto& t = *static_cast<Transfer*>(userdata);
    const std::size_t bytes = size * n;
    if (!t.final)
        return bytes; // body of a reply we do not use
    t.lastData = Clock::now();
    Downloader& self = *t.self;
    if (t.playlist) {
        if (t.playlistBody.size() + bytes > kMaxPlaylistBytes)
            return 0;
        t.playlistBody.append(data, bytes);
        return bytes;
    }
    if (self.ring_.size() >= self.ring_.nominal() || bytes > self.ring_.space()) {
        t.paused = true;
        self.holdingBack_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    t.scratch.clear();
    std::vector<MetaBlock> blocks;
    self.demuxer_->feed(
        std::span(reinterpret_cast<const std::uint8_t*>(data), bytes),
        [&](std::span<const std::uint8_t> audio) {
            t.scratch.insert(t.scratch.end(), audio.begin(), audio.end());
        },
        [&](MetaBlock block) { blocks.push_back(std::move(block)); });
    self.ring_.write(t.scratch);
    if (!t.scratch.empty()) {
        self.audioWritten_ += t.scratch.size();
        t.gotAudio = true;
        self.reconnecting_ = false;
    }
    if (!blocks.empty()) {
        std::lock_guard lock(self.markerMutex_);
        for (auto& block : blocks) {
            block.audioOffset += self.audioBase_; // offsets of the whole stream, all connections
            self.markers_.push_back(std::move(block));
        }
        while (self.markers_.size() > kMaxMarkers)
            self.markers_.pop_front();
    }
    return bytes;
}

int Downloader::onSocket(void* userdata, int socket, int) {
    auto& t = *static_cast<Transfer*>(userdata);
    if (t.headers.statusLine().empty()) // the first connection, all its attempts
        t.sockets.push_back(socket);
    return CURL_SOCKOPT_OK;
}

int Downloader::onProgress(void* self, long long, long long, long long, long long) {
    return static_cast<Downloader*>(self)->abort_ ? 1 : 0;
}

} // namespace zelvorna
