#include "radio_bass_aac.h"

#include "bound_library.h"

namespace {

TBoundLibrary<kBassAacEntryPointNames.size()> FBassAac;

} // namespace

QString BASSAAC_FOLDER() {
    return QString();
}

const std::array<void*, kBassAacEntryPointNames.size()>& BassAacEntryPoints() {
    return FBassAac.Entries();
}

bool LoadDynamicBassAACDLL() {
    return LoadDynamicBassAACDLL(kBassAacLibraryFile);
}

bool LoadDynamicBassAACDLL(const char* fileName) {
    return FBassAac.Load(BASSAAC_FOLDER().toStdString() + fileName, kBassAacEntryPointNames);
}

void UnloadBassAACDLL() {
    FBassAac.Unload();
}
