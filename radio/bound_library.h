#pragma once
// A shared library bound at run time: its handle and the address of each named entry point (null
// where the library lacks one). Not thread-safe: its owner decides when it loads and unloads.

#include <array>
#include <cstddef>
#include <dlfcn.h>
#include <string>

template <std::size_t N> class TBoundLibrary {
public:
    bool Load(const std::string& path, const std::array<const char*, N>& names) {
        if (handle_)
            return true;
        handle_ = dlopen(path.c_str(), RTLD_NOW);
        if (!handle_)
            return false;
        for (std::size_t i = 0; i < N; ++i)
            entries_[i] = dlsym(handle_, names[i]);
        return true;
    }

    void Unload() {
        if (!handle_)
            return;
        entries_.fill(nullptr);
        dlclose(handle_);
        handle_ = nullptr;
    }

    bool Loaded() const { return handle_ != nullptr; }
    const std::array<void*, N>& Entries() const { return entries_; }

private:
    void* handle_ = nullptr;
    std::array<void*, N> entries_{};
};
