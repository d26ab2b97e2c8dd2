#include "playlist.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace zelvorna {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool endsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// Calls f(line) for each line; CR, LF and CRLF all end a line.
template <typename F> void forEachLine(std::string_view body, F f) {
    while (!body.empty()) {
        const auto end = body.find_first_of("\r\n");
        if (!f(body.substr(0, end)) || end == std::string_view::npos)
            return;
        body.remove_prefix(end + 1);
    }
}

std::optional<std::string> firstPlsEntry(std::string_view body) {
    std::optional<std::string> best;
    long bestIndex = LONG_MAX;
    forEachLine(body, [&](std::string_view raw) {
        const auto line = trimmed(raw);
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            return true;
        const auto key = lower(trimmed(line.substr(0, eq)));
        if (key.rfind("file", 0) != 0 || key.size() == 4)
            return true;
        const auto digits = key.substr(4);
        if (!std::all_of(digits.begin(), digits.end(),
                         [](unsigned char c) { return std::isdigit(c); }) ||
            digits.size() > 9)
            return true;
        const long index = std::stol(digits);
        const auto value = trimmed(line.substr(eq + 1));
        if (!value.empty() && index < bestIndex) {
            bestIndex = index;
            best = std::string(value);
        }
        return true;
    });
    return best;
}

std::optional<std::string> firstM3uEntry(std::string_view body) {
    std::optional<std::string> first;
    forEachLine(body, [&](std::string_view raw) {
        const auto line = trimmed(raw);
        if (line.empty() || line.front() == '#')
            return true;
        first = std::string(line);
        return false;
    });
    return first;
}

} // namespace

bool isPlaylist(std::string_view mediaType, std::string_view url) {
    const auto type = lower(mediaType);
    if (type == "audio/x-scpls" || type == "audio/x-mpegurl" || type == "audio/mpegurl" ||
        type == "application/vnd.apple.mpegurl" || type == "application/x-mpegurl")
        return true;
    auto path = url.substr(0, url.find_first_of("?#"));
    const auto p = lower(path);
    return endsWith(p, ".pls") || endsWith(p, ".m3u") || endsWith(p, ".m3u8");
}

std::optional<std::string> firstPlaylistEntry(std::string_view body) {
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
        body.remove_prefix(3);
    if (lower(trimmed(body).substr(0, 10)) == "[playlist]")
        return firstPlsEntry(body);
    return firstM3uEntry(body);
}

std::string resolveUrl(std::string_view base, std::string_view ref) {
    if (ref.find("://") != std::string_view::npos)
        return std::string(ref);
    const auto schemeEnd = base.find("://");
    if (schemeEnd == std::string_view::npos)
        return std::string(ref);
    if (ref.substr(0, 2) == "//")
        return std::string(base.substr(0, schemeEnd + 1)) + std::string(ref);
    const auto authorityEnd = base.find_first_of("/?#", schemeEnd + 3);
    const auto origin = base.substr(0, authorityEnd);
    if (!ref.empty() && ref.front() == '/')
        return std::string(origin) + std::string(ref);
    if (authorityEnd == std::string_view::npos)
        return std::string(origin) + "/" + std::string(ref);
    auto path = base.substr(authorityEnd);
    path = path.substr(0, path.find_first_of("?#"));
    path = path.substr(0, path.rfind('/') + 1);
    return std::string(origin) + std::string(path) + std::string(ref);
}

} // namespace zelvorna
