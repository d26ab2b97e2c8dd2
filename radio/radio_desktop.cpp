#include "radio_desktop.h"

#include "legacy_text.h"
#include "logging.h"
#include "zelvorna_timing.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <utility>

std::atomic<TPlatformRadio*> ARadio{nullptr};

namespace {

constexpr DWORD kStreamFlags =
    BASS_UNICODE | BASS_STREAM_STATUS | BASS_STREAM_BLOCK | BASS_STREAM_AUTOFREE;
constexpr QWORD kFilePositionError = ~QWORD(0);
constexpr DWORD kLengthError = 0xFFFFFFFFu;
// Enough buffered to start playback without an early underrun.
constexpr uint32_t kStartPercent = 75;
// Pause between buffer polls: the engine fills in network-sized steps, no need to spin.
constexpr unsigned long kPollIntervalMs = 10;

const QString kPluginFile = QStringLiteral("libbass.dll");
const QString kNoticeCaption = QStringLiteral("Error!");
const QString kNoticeText = QStringLiteral("This Method Doesnt Working On Windows OS");

TPlatformRadio::NoticeHook& noticeHook() {
    static TPlatformRadio::NoticeHook hook;
    return hook;
}

// Header lines are null-terminated strings one after the other, ended by an empty one.
template <typename Visit> void forEachLine(const char* lines, Visit visit) {
    for (const char* line = lines; *line;) {
        const QByteArrayView view(line);
        visit(view);
        line += view.size() + 1;
    }
}

} // namespace

QString decodeEngineText(QByteArrayView bytes) {
    return zelvorna::DecodeUtf8OrWindows1252(bytes);
}

extern "C" void MetaSync(HSYNC, DWORD, DWORD, void* user) {
    TPlatformRadio* radio = user ? static_cast<TPlatformRadio*>(user) : ARadio.load();
    if (radio)
        radio->DoMeta();
}

// One plain function per sync kind: the engine tells the kind only by which function it calls.
extern "C" void NoticeSync(HSYNC, DWORD channel, DWORD data, void* user) {
    if (auto* radio = static_cast<TPlatformRadio*>(user))
        radio->DoNotice(channel, data == 1 ? TStreamNotice::Resumed : TStreamNotice::Reconnecting);
}

extern "C" void DeviceSync(HSYNC, DWORD channel, DWORD data, void* user) {
    if (auto* radio = static_cast<TPlatformRadio*>(user))
        radio->DoNotice(channel, data == 1 ? TStreamNotice::OutputBack : TStreamNotice::NoOutput);
}

extern "C" void EndSync(HSYNC, DWORD channel, DWORD, void* user) {
    if (auto* radio = static_cast<TPlatformRadio*>(user))
        radio->DoNotice(channel, TStreamNotice::Ended);
}

TPlatformRadio::TPlatformRadio(const BassApi& api) : FApi(api) {}

TPlatformRadio::~TPlatformRadio() {
    // The stream's title sync points here: once its stream is freed the engine runs it no more.
    UnloadRadio();
    TPlatformRadio* self = this;
    ARadio.compare_exchange_strong(self, nullptr);
}

void TPlatformRadio::SetNoticeHook(NoticeHook hook) {
    noticeHook() = std::move(hook);
}

void TPlatformRadio::InitRadio(TWindowHandle iHandle) {
    FActiveChannel = 0;
    FStatusProc = nullptr;
    FBroadcastInfoProc = nullptr;
    FBroadcastMetaProc = nullptr;
    FStreamNoticeProc = nullptr;
    const bool opened =
        CallEngine<&BassApi::BASS_Init>(FApi, BOOL(0), -1, DWORD(44100), DWORD(0),
                                        reinterpret_cast<void*>(iHandle), nullptr) != 0;
    if (opened) {
        const QString plugin = BASS_FOLDER() + kPluginFile;
        CallEngine<&BassApi::BASS_PluginLoad>(
            FApi, HPLUGIN(0), reinterpret_cast<const char*>(plugin.utf16()), DWORD(BASS_UNICODE));
        CallEngine<&BassApi::BASS_SetConfig>(FApi, BOOL(0), DWORD(BASS_CONFIG_NET_PLAYLIST),
                                             DWORD(1));
        CallEngine<&BassApi::BASS_SetConfig>(FApi, BOOL(0), DWORD(BASS_CONFIG_NET_PREBUF),
                                             DWORD(0));
    } else {
        qCDebug(lcRadio) << "no audio output:" << EngineError();
    }
    ARadio = this;
}

void TPlatformRadio::UnloadRadio() {
    const DWORD channel = FActiveChannel;
    if (channel != 0)
        CallEngine<&BassApi::BASS_StreamFree>(FApi, BOOL(0), channel);
}

int TPlatformRadio::EngineError() const {
    return CallEngine<&BassApi::BASS_ErrorGetCode>(FApi, int(BASS_ERROR_UNKNOWN));
}

void TPlatformRadio::SetVolume(float AValue) {
    FVolume = std::isnan(AValue) ? 0.0f : std::clamp(AValue, 0.0f, 100.0f);
    FVolumeChosen = true;
    const DWORD channel = FActiveChannel;
    if (channel != 0)
        ApplyVolume(channel);
}

float TPlatformRadio::GetVolume() {
    return FVolume;
}

void TPlatformRadio::ApplyVolume(DWORD handle) {
    if (FVolumeChosen)
        CallEngine<&BassApi::BASS_ChannelSetAttribute>(FApi, BOOL(0), handle,
                                                       DWORD(BASS_ATTRIB_VOL), FVolume / 100.0f);
}

bool TPlatformRadio::Play() {
    CallEngine<&BassApi::BASS_StreamFree>(FApi, BOOL(0), DWORD(FActiveChannel));
    const QString url = FStreamURL;
    const HSTREAM handle = CallEngine<&BassApi::BASS_StreamCreateURL>(
        FApi, HSTREAM(0), static_cast<const void*>(url.utf16()), DWORD(0), kStreamFlags,
        static_cast<DOWNLOADPROC*>(nullptr), static_cast<void*>(nullptr));
    FActiveChannel = handle;
    if (handle == 0) {
        FLastError = EngineError();
        qCDebug(lcRadio) << "could not open" << url << "error" << FLastError.load();
        return false;
    }
    FLastError = BASS_OK;
    ApplyVolume(handle);

    WaitForBuffer();
    zelvorna::TimingMark("radio: buffering rule met");
    ReportBroadcastInfo();
    DoMeta();
    // What becomes of the stream reaches the player panel: titles, a lost and returned
    // connection or sound device, the end.
    const std::pair<DWORD, SYNCPROC*> syncs[] = {{BASS_SYNC_META, &MetaSync},
                                                 {BASS_SYNC_STALL, &NoticeSync},
                                                 {BASS_SYNC_DEV_FAIL, &DeviceSync},
                                                 {BASS_SYNC_END, &EndSync}};
    for (const auto& [type, proc] : syncs)
        CallEngine<&BassApi::BASS_ChannelSetSync>(FApi, HSYNC(0), DWORD(handle), type, QWORD(0),
                                                  proc, static_cast<void*>(this));
    CallEngine<&BassApi::BASS_ChannelPlay>(FApi, BOOL(0), DWORD(handle), BOOL(0));
    report(strCompleted, 100);
    return true;
}

QWORD TPlatformRadio::filePosition(DWORD mode) const {
    return CallEngine<&BassApi::BASS_StreamGetFilePosition>(FApi, kFilePositionError,
                                                            DWORD(FActiveChannel), mode);
}

void TPlatformRadio::report(const QString& text, int32_t progress) {
    if (TStatusProc proc = FStatusProc)
        proc(text, progress);
}

// One "Loading..." report per pass until more than kStartPercent is buffered, the download
// ends, or the length cannot be read.
void TPlatformRadio::WaitForBuffer() {
    for (;;) {
        const auto length = static_cast<DWORD>(filePosition(BASS_FILEPOS_END));
        if (length == kLengthError)
            return;
        // Wrapping arithmetic keeps the engine's all-ones error value harmless.
        const auto buffered = static_cast<int64_t>(filePosition(BASS_FILEPOS_BUFFER));
        const int64_t percent =
            length == 0
                ? 0
                : static_cast<int64_t>(static_cast<uint64_t>(buffered) * 100u) / int64_t(length);
        const auto progress = static_cast<int32_t>(static_cast<uint32_t>(percent));
        report(strLoading, progress);
        if (static_cast<uint32_t>(progress) > kStartPercent)
            return;
        if (filePosition(BASS_FILEPOS_CONNECTED) == 0)
            return;
        QThread::msleep(kPollIntervalMs);
    }
}

const char* TPlatformRadio::tags(DWORD kind) const {
    return CallEngine<&BassApi::BASS_ChannelGetTags>(FApi, static_cast<const char*>(nullptr),
                                                     DWORD(FActiveChannel), kind);
}

void TPlatformRadio::ReportBroadcastInfo() {
    const char* tags = this->tags(BASS_TAG_ICY);
    if (!tags || !*tags)
        tags = this->tags(BASS_TAG_HTTP);
    if (!tags || !*tags)
        return;
    QString name = strUnknown;
    QString bitRate = strUnknown;
    forEachLine(tags, [&](QByteArrayView line) {
        if (line.startsWith("icy-name:"))
            name = decodeEngineText(line.sliced(9));
        else if (line.startsWith("icy-br:"))
            bitRate = QStringLiteral("bitrate: ") + decodeEngineText(line.sliced(7));
    });
    if (TBroadcastInfoProc proc = FBroadcastInfoProc)
        proc(name, bitRate);
}

void TPlatformRadio::DoMeta() {
    const char* meta = tags(BASS_TAG_META);
    if (!meta)
        return;
    const QString text = decodeEngineText(QByteArrayView(meta));
    const qsizetype found = text.indexOf(QLatin1String("StreamTitle="));
    if (found < 0)
        return;
    // 1-based positions: the title starts after "StreamTitle=" and its opening quote, and runs
    // to the character before the first ";" of the whole text.
    const qsizetype start = found + 1 + 13;
    const TBroadcastMetaProc proc = FBroadcastMetaProc;
    if (!proc)
        return;
    const qsizetype semicolon = text.indexOf(QLatin1Char(';')) + 1;
    const qsizetype count = semicolon - start - 1;
    proc(count > 0 ? text.mid(start - 1, count) : QString());
}

void TPlatformRadio::Pause() {
    const DWORD channel = FActiveChannel;
    if (channel != 0)
        CallEngine<&BassApi::BASS_ChannelStop>(FApi, BOOL(0), channel);
}

void TPlatformRadio::SetStreamURL(QString AUrl) {
    FStreamURL = std::move(AUrl);
}
void TPlatformRadio::SetStreamNoticeProc(TStreamNoticeProc AProc) {
    FStreamNoticeProc = AProc;
}

TOpenFailure TPlatformRadio::LastOpenFailure() {
    switch (FLastError.load()) {
    case BASS_OK:
        return TOpenFailure::None;
    case BASS_ERROR_TIMEOUT:
        return TOpenFailure::NoAnswer;
    case BASS_ERROR_FILEFORM:
    case BASS_ERROR_FORMAT:
        return TOpenFailure::NotAudio;
    case BASS_ERROR_INIT:
    case BASS_ERROR_DEVICE:
        return TOpenFailure::NoDevice;
    default:
        return TOpenFailure::Unreachable;
    }
}

void TPlatformRadio::DoNotice(DWORD channel, TStreamNotice notice) {
    if (channel != FActiveChannel)
        return;
    if (const TStreamNoticeProc proc = FStreamNoticeProc)
        proc(notice);
}

void TPlatformRadio::SetStatusProc(TStatusProc AProc) {
    FStatusProc = AProc;
}
void TPlatformRadio::SetBroadcastInfoProc(TBroadcastInfoProc AProc) {
    FBroadcastInfoProc = AProc;
}
void TPlatformRadio::SetBroadcastMetaProc(TBroadcastMetaProc AProc) {
    FBroadcastMetaProc = AProc;
}

void TPlatformRadio::PauseRadioOnIncomingCalls(bool APauseOnIncomingCalls) {
    FPauseOnIncomingCalls = APauseOnIncomingCalls;
    if (const NoticeHook& hook = noticeHook())
        hook(kNoticeCaption, kNoticeText);
}
