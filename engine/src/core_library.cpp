#include "core_library.h"

#include "zelvorna_timing.h"

#include <dlfcn.h>

#include <string>

namespace zelvorna {
namespace {

// The folder of the library holding this code, with its trailing slash.
std::string ownFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&EngineCore), &info) == 0 || !info.dli_fname)
        return {};
    const std::string path = info.dli_fname;
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

const CoreApi* load() {
    // Never closed: streams it made may outlive any caller, up to the engine's own end.
    void* library = dlopen((ownFolder() + kCoreLibraryFile).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return nullptr;
    auto entry = reinterpret_cast<CoreApiFn>(dlsym(library, kCoreApiSymbol));
    if (!entry)
        return nullptr;
    TimingMark("engine: network and decoding library loaded");
    return entry();
}

} // namespace

const CoreApi* EngineCore() {
    static const CoreApi* const api = load(); // thread-safe once
    return api;
}

} // namespace zelvorna
