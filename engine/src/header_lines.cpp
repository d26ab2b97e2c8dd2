#include "header_lines.h"

#include <cctype>

namespace zelvorna {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

int statusCode(std::string_view line) {
    const auto space = line.find(' ');
    if (space == std::string_view::npos)
        return 0;
    return leadingNumber(line.substr(space + 1), 0);
}

} // namespace

void ReplyHeaders::addLine(std::string_view raw) {
    while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r'))
        raw.remove_suffix(1);
    // Only the first line of a reply is its status line: a field such as "ICY-NAME:" that
    // happens to begin like one is still a field.
    const bool replyStarts = statusLine_.empty() || complete_;
    if (replyStarts && (startsWith(raw, "HTTP/") || startsWith(raw, "ICY"))) {
        *this = ReplyHeaders{};
        icy_ = startsWith(raw, "ICY");
        statusLine_ = std::string(raw);
        status_ = statusCode(raw);
        return;
    }
    if (statusLine_.empty())
        return; // stray line before any status line
    if (raw.empty()) {
        complete_ = true;
        return;
    }
    if (!complete_)
        fields_.emplace_back(raw);
}

std::optional<std::string> ReplyHeaders::value(std::string_view name) const {
    for (const auto& line : fields_) {
        const auto colon = line.find(':');
        if (colon != std::string::npos &&
            iequals(trimmed(std::string_view(line).substr(0, colon)), name))
            return std::string(trimmed(std::string_view(line).substr(colon + 1)));
    }
    return std::nullopt;
}

std::string ReplyHeaders::packed(bool withStatusLine) const {
    std::string out;
    if (withStatusLine && !statusLine_.empty()) {
        out += statusLine_;
        out += '\0';
    }
    for (const auto& line : fields_) {
        out += line;
        out += '\0';
    }
    if (!out.empty())
        out += '\0';
    return out;
}

int leadingNumber(std::string_view value, int fallback) {
    value = trimmed(value);
    int n = 0;
    std::size_t digits = 0;
    while (digits < value.size() && digits < 9 &&
           std::isdigit(static_cast<unsigned char>(value[digits]))) {
        n = n * 10 + (value[digits] - '0');
        ++digits;
    }
    return digits == 0 ? fallback : n;
}

std::string mediaType(std::string_view contentType) {
    contentType = trimmed(contentType.substr(0, contentType.find(';')));
    std::string out(contentType);
    for (auto& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace zelvorna
