// Playlist bodies and the addresses found in them.
#include "playlist.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    zelvorna::isPlaylist("audio/x-scpls", body);
    zelvorna::isPlaylist(body.substr(0, 40), body);
    if (const auto entry = zelvorna::firstPlaylistEntry(body))
        zelvorna::resolveUrl("http://radio.example:8000/dir/list.pls?x=1", *entry);
    zelvorna::resolveUrl(body, "../a/b");
    return 0;
}
