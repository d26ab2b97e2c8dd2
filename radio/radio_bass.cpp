#include "radio_bass.h"

#include "radio_bass_aac.h"

#include <dlfcn.h>
#include <string_view>

namespace {

void* FBassDLL = nullptr;
std::array<void*, kBassEntryPointNames.size()> FEntryPoints{};

void* entryNamed(std::string_view name) {
    for (std::size_t i = 0; i < kBassEntryPointNames.size(); ++i) {
        if (name == kBassEntryPointNames[i])
            return FEntryPoints[i];
    }
    return nullptr;
}

template <typename Fn> void bind(Fn& slot, std::string_view name) {
    slot = reinterpret_cast<Fn>(entryNamed(name));
}

void bindTypedSlots(BassApi& api) {
    bind(api.BASS_Init, "BASS_Init");
    bind(api.BASS_Free, "BASS_Free");
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
    return FEntryPoints;
}

QString BASS_FOLDER() {
    return QString();
}

bool LoadBassDLL() {
    return LoadBassDLL(kBassLibraryFile);
}

bool LoadBassDLL(const char* fileName) {
    if (FBassDLL)
        return true;
    const std::string folder = BASS_FOLDER().toStdString();
    FBassDLL = dlopen((folder + fileName).c_str(), RTLD_NOW);
    if (!FBassDLL)
        return false;
    for (std::size_t i = 0; i < kBassEntryPointNames.size(); ++i)
        FEntryPoints[i] = dlsym(FBassDLL, kBassEntryPointNames[i]);
    bindTypedSlots(BassApi::Global());
    return true;
}

void UnloadBassDLL() {
    if (!FBassDLL)
        return;
    // Empty the binding first so nothing can call into the released code.
    BassApi::Global() = BassApi{};
    FEntryPoints.fill(nullptr);
    dlclose(FBassDLL);
    FBassDLL = nullptr;
}

TBassLibrary::TBassLibrary() {
    LoadBassDLL();
    LoadDynamicBassAACDLL();
}

TBassLibrary::~TBassLibrary() {
    if (auto freeOutput = BassApi::Global().BASS_Free)
        freeOutput();
    UnloadBassAACDLL();
    UnloadBassDLL();
}
