// Run-time binding of the stream engine library, entry point by entry point.
//
// Threads: LoadBassDLL at start-up, before any player exists; UnloadBassDLL at exit, on the main
// thread (it waits for calls still inside); CallEngine, FreeBassOutput and the tables on any
// thread.
#pragma once

#include "stream_engine.h"

#include <QString>
#include <array>
#include <cstddef>
#include <utility>

inline constexpr char kBassLibraryFile[] = "libzelvorna-engine.so";

// Every name the binding looks up, in lookup order; only the typed ones below are ever called.
inline constexpr std::array<const char*, 96> kBassEntryPointNames = {
    "BASS_SetConfig",
    "BASS_GetConfig",
    "BASS_SetConfigPtr",
    "BASS_GetConfigPtr",
    "BASS_GetVersion",
    "BASS_ErrorGetCode",
    "BASS_GetDeviceInfo",
    "BASS_Init",
    "BASS_SetDevice",
    "BASS_GetDevice",
    "BASS_Free",
    "BASS_GetDSoundObject",
    "BASS_GetInfo",
    "BASS_Update",
    "BASS_GetCPU",
    "BASS_Start",
    "BASS_Stop",
    "BASS_Pause",
    "BASS_SetVolume",
    "BASS_GetVolume",
    "BASS_PluginLoad",
    "BASS_PluginFree",
    "BASS_PluginGetInfo",
    "BASS_Set3DFactors",
    "BASS_Get3DFactors",
    "BASS_Set3DPosition",
    "BASS_Get3DPosition",
    "BASS_Apply3D",
    "BASS_SetEAXParameters",
    "BASS_GetEAXParameters",
    "BASS_MusicLoad",
    "BASS_MusicFree",
    "BASS_SampleLoad",
    "BASS_SampleCreate",
    "BASS_SampleFree",
    "BASS_SampleSetData",
    "BASS_SampleGetData",
    "BASS_SampleGetInfo",
    "BASS_SampleSetInfo",
    "BASS_SampleGetChannel",
    "BASS_SampleGetChannels",
    "BASS_SampleStop",
    "BASS_StreamCreate",
    "BASS_StreamCreateFile",
    "BASS_StreamCreateURL",
    "BASS_StreamCreateFileUser",
    "BASS_StreamFree",
    "BASS_StreamGetFilePosition",
    "BASS_StreamPutData",
    "BASS_StreamPutFileData",
    "BASS_RecordGetDeviceInfo",
    "BASS_RecordInit",
    "BASS_RecordSetDevice",
    "BASS_RecordGetDevice",
    "BASS_RecordFree",
    "BASS_RecordGetInfo",
    "BASS_RecordGetInputName",
    "BASS_RecordSetInput",
    "BASS_RecordGetInput",
    "BASS_RecordStart",
    "BASS_ChannelBytes2Seconds",
    "BASS_ChannelSeconds2Bytes",
    "BASS_ChannelGetDevice",
    "BASS_ChannelSetDevice",
    "BASS_ChannelIsActive",
    "BASS_ChannelGetInfo",
    "BASS_ChannelGetTags",
    "BASS_ChannelFlags",
    "BASS_ChannelUpdate",
    "BASS_ChannelLock",
    "BASS_ChannelPlay",
    "BASS_ChannelStop",
    "BASS_ChannelPause",
    "BASS_ChannelSetAttribute",
    "BASS_ChannelGetAttribute",
    "BASS_ChannelSlideAttribute",
    "BASS_ChannelIsSliding",
    "BASS_ChannelSet3DAttributes",
    "BASS_ChannelGet3DAttributes",
    "BASS_ChannelSet3DPosition",
    "BASS_ChannelGet3DPosition",
    "BASS_ChannelGetLength",
    "BASS_ChannelSetPosition",
    "BASS_ChannelGetPosition",
    "BASS_ChannelGetLevel",
    "BASS_ChannelGetData",
    "BASS_ChannelSetSync",
    "BASS_ChannelRemoveSync",
    "BASS_ChannelSetDSP",
    "BASS_ChannelSetLink",
    "BASS_ChannelRemoveLink",
    "BASS_ChannelSetFX",
    "BASS_ChannelRemoveFX",
    "BASS_FXSetParameters",
    "BASS_FXGetParameters",
    "BASS_FXReset",
};

// The entry points the player calls; a null entry is never called.
struct BassApi {
    decltype(&::BASS_Init) BASS_Init = nullptr;
    decltype(&::BASS_Free) BASS_Free = nullptr;
    decltype(&::BASS_ErrorGetCode) BASS_ErrorGetCode = nullptr;
    decltype(&::BASS_SetConfig) BASS_SetConfig = nullptr;
    decltype(&::BASS_PluginLoad) BASS_PluginLoad = nullptr;
    decltype(&::BASS_StreamCreateURL) BASS_StreamCreateURL = nullptr;
    decltype(&::BASS_StreamFree) BASS_StreamFree = nullptr;
    decltype(&::BASS_StreamGetFilePosition) BASS_StreamGetFilePosition = nullptr;
    decltype(&::BASS_ChannelGetTags) BASS_ChannelGetTags = nullptr;
    decltype(&::BASS_ChannelSetSync) BASS_ChannelSetSync = nullptr;
    decltype(&::BASS_ChannelPlay) BASS_ChannelPlay = nullptr;
    decltype(&::BASS_ChannelStop) BASS_ChannelStop = nullptr;
    decltype(&::BASS_ChannelSetAttribute) BASS_ChannelSetAttribute = nullptr;

    // Filled by LoadBassDLL, emptied by UnloadBassDLL.
    static BassApi& Global();
};

// The looked-up address of every name in kBassEntryPointNames, null when missing.
const std::array<void*, kBassEntryPointNames.size()>& BassEntryPoints();

// Folder put before the library file names: empty, so the loader's search path decides.
QString BASS_FOLDER();

// Opens the engine library once and binds its entry points; false when it cannot be opened.
// A missing library or entry point leaves nulls and shows nothing.
bool LoadBassDLL();
bool LoadBassDLL(const char* fileName);
// Releases the library and empties the binding; harmless when nothing is loaded. A thread still
// inside the engine (a connect the output's close could not end in time) would run unmapped
// code: then the library stays loaded, and false is returned.
bool UnloadBassDLL(int waitMs = 500);

// Closes the audio output: every connect in progress returns 0, every stream is freed. The one
// way the window shuts the engine down. Any thread.
void FreeBassOutput();

// Marks a call inside the engine library for as long as it lives, unless the library is being
// released: then it does not enter, and the call must not be made.
class TEngineCall {
public:
    TEngineCall();
    ~TEngineCall();
    TEngineCall(const TEngineCall&) = delete;
    TEngineCall& operator=(const TEngineCall&) = delete;
    explicit operator bool() const { return entered_; }

private:
    bool entered_;
};

// Calls the entry point Slot of api with args, or returns fallback when it is not bound or the
// library is being released. The slot is read inside the call's mark, so a release never
// empties the table under a caller.
template <auto Slot, typename R, typename... Args>
R CallEngine(const BassApi& api, R fallback, Args&&... args) {
    const TEngineCall call;
    const auto entry = api.*Slot;
    if (!call || !entry)
        return fallback;
    return static_cast<R>(entry(std::forward<Args>(args)...));
}

// Start-up guard: binds the engine and its add-on before the application object exists; at exit
// closes the audio output and releases the add-on, then the engine.
class TBassLibrary {
public:
    TBassLibrary();
    ~TBassLibrary();
    TBassLibrary(const TBassLibrary&) = delete;
    TBassLibrary& operator=(const TBassLibrary&) = delete;
};
