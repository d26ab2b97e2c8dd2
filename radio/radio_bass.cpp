#include "radio_bass.h"

#include "bound_library.h"
#include "radio_bass_aac.h"

#include <atomic>
#include <chrono>
#include <string_view>
#include <thread>

namespace {

TBoundLibrary<kBassEntryPointNames.size()> FBass;

// Calls inside the engine, and whether the library is being released. Both sequentially
// consistent: a caller counts itself in before it looks at the flag, the release raises the flag
// before it looks at the count, so one of them always sees the other.
std::atomic<int> FCallsInside{0};
std::atomic<bool> FReleasing{false};
constexpr auto kReleasePoll = std::chrono::milliseconds(5);

void* entryNamed(std::string_view name) {
    for (std::size_t i = 0; i < kBassEntryPointNames.size(); ++i) {
        if (name == kBassEntryPointNames[i])
            return FBass.Entries()[i];
    }
    return nullptr;
}

template <typename Fn> void bind(Fn& slot, std::string_view name) {
    slot = reinterpret_cast<Fn>(entryNamed(name));
}

void bindTypedSlots(BassApi& api) {
    bind(api.BASS_Init, "BASS_Init");
    bind(api.BASS_Free, "BASS_Free");
    bind(api.BASS_ErrorGetCode, "BASS_ErrorGetCode");
    bind(api.BASS_SetConfig, "BASS_SetConfig");
    bind(api.BASS_PluginLoad, "BASS_PluginLoad");
    bind(api.BASS_StreamCreateURL, "BASS_StreamCreateURL");
    bind(api.BASS_StreamFree, "BASS_StreamFree");
    bind(api.BASS_StreamGetFilePosition, "BASS_StreamGetFilePosition");
    bind(api.BASS_ChannelGetTags, "BASS_ChannelGetTags");
    bind(api.BASS_ChannelSetSync, "BASS_ChannelSetSync");
    bind(api.BASS_ChannelPlay, "BASS_ChannelPlay");
    bind(api.BASS_ChannelStop, "BASS_ChannelStop");
    bind(api.BASS_ChannelSetAttribute, "BASS_ChannelSetAttribute");
}

} // namespace

BassApi& BassApi::Global() {
    static BassApi api;
    return api;
}

const std::array<void*, kBassEntryPointNames.size()>& BassEntryPoints() {
    return FBass.Entries();
}

QString BASS_FOLDER() {
    return QString();
}

bool LoadBassDLL() {
    return LoadBassDLL(kBassLibraryFile);
}

bool LoadBassDLL(const char* fileName) {
    if (FBass.Loaded())
        return true;
    if (!FBass.Load(BASS_FOLDER().toStdString() + fileName, kBassEntryPointNames))
        return false;
    bindTypedSlots(BassApi::Global());
    return true;
}

TEngineCall::TEngineCall() {
    FCallsInside.fetch_add(1);
    entered_ = !FReleasing.load();
    if (!entered_)
        FCallsInside.fetch_sub(1);
}

TEngineCall::~TEngineCall() {
    if (entered_)
        FCallsInside.fetch_sub(1);
}

bool UnloadBassDLL(int waitMs) {
    if (!FBass.Loaded())
        return true;
    FReleasing = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (FCallsInside.load() > 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            FReleasing = false; // the library stays: callers may go on using it
            return false;
        }
        std::this_thread::sleep_for(kReleasePoll);
    }
    // No call is inside and none can enter: empty the binding, then release the code.
    BassApi::Global() = BassApi{};
    FBass.Unload();
    FReleasing = false;
    return true;
}

void FreeBassOutput() {
    CallEngine<&BassApi::BASS_Free>(BassApi::Global(), BOOL(0));
}

TBassLibrary::TBassLibrary() {
    LoadBassDLL();
    LoadDynamicBassAACDLL();
}

TBassLibrary::~TBassLibrary() {
    FreeBassOutput();
    UnloadBassAACDLL();
    UnloadBassDLL();
}
