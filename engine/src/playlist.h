// Playlist replies (.pls, .m3u, .m3u8): recognising them and picking their first stream address.
// Pure functions, no I/O.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelvorna {

// By media type first, then by the suffix of the address's path.
bool isPlaylist(std::string_view mediaType, std::string_view url);

// First stream address of a .pls or .m3u/.m3u8 body (as written: possibly relative).
std::optional<std::string> firstPlaylistEntry(std::string_view body);

// Resolves a reference found in a playlist against the playlist's own address.
std::string resolveUrl(std::string_view base, std::string_view ref);

} // namespace zelvorna
