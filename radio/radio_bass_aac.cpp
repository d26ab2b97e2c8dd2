#include "radio_bass_aac.h"

#include <dlfcn.h>
#include <string>

namespace {

void* FBassAccDLL = nullptr;
std::array<void*, kBassAacEntryPointNames.size()> FEntryPoints{};

} // namespace

QString BASSAAC_FOLDER() {
    return QString();
}

const std::array<void*, kBassAacEntryPointNames.size()>& BassAacEntryPoints() {
    return FEntryPoints;
}

bool LoadDynamicBassAACDLL() {
    return LoadDynamicBassAACDLL(kBassAacLibraryFile);
}

bool LoadDynamicBassAACDLL(const char* fileName) {
    if (FBassAccDLL)
        return true;
    const std::string folder = BASSAAC_FOLDER().toStdString();
    FBassAccDLL = dlopen((folder + fileName).c_str(), RTLD_NOW);
    if (!FBassAccDLL)
        return false;
    for (std::size_t i = 0; i < kBassAacEntryPointNames.size(); ++i)
        FEntryPoints[i] = dlsym(FBassAccDLL, kBassAacEntryPointNames[i]);
    return true;
}

void UnloadBassAACDLL() {
    if (!FBassAccDLL)
        return;
    FEntryPoints.fill(nullptr);
    dlclose(FBassAccDLL);
    FBassAccDLL = nullptr;
}
