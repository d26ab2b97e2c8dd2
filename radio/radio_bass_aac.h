// Run-time binding of the engine's AAC add-on; bound for completeness, never called.
#pragma once

#include <QString>
#include <array>

inline constexpr char kBassAacLibraryFile[] = "libzelvorna-engine-aac.so";

inline constexpr std::array<const char*, 5> kBassAacEntryPointNames = {
    "BASS_AAC_StreamCreateFile", "BASS_AAC_StreamCreateURL",      "BASS_AAC_StreamCreateFileUser",
    "BASS_MP4_StreamCreateFile", "BASS_MP4_StreamCreateFileUser",
};

QString BASSAAC_FOLDER();

// The looked-up address of every add-on name, null when missing.
const std::array<void*, kBassAacEntryPointNames.size()>& BassAacEntryPoints();

// An absent add-on binds nothing and shows nothing.
bool LoadDynamicBassAACDLL();
bool LoadDynamicBassAACDLL(const char* fileName);
void UnloadBassAACDLL();
