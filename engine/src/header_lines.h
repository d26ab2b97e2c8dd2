// Collects the header lines of an HTTP or ICY reply as libcurl hands them over, one raw line at
// a time, across redirects and interim replies. Pure state machine, no I/O.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvorna {

class ReplyHeaders {
public:
    // A status line starts a new reply: what an earlier (redirect, 1xx) reply said is dropped.
    // It is the first line of a reply, or the first after the blank line that ends one.
    void addLine(std::string_view raw);

    bool complete() const { return complete_; }
    bool isIcy() const { return icy_; }
    int status() const { return status_; }
    const std::string& statusLine() const { return statusLine_; }
    const std::vector<std::string>& fields() const { return fields_; }

    // First field of that name, case-insensitive, value without surrounding blanks.
    std::optional<std::string> value(std::string_view name) const;

    // "line\0line\0\0"; with the status line first when asked. Empty when there are no lines.
    std::string packed(bool withStatusLine) const;

private:
    bool complete_ = false;
    bool icy_ = false;
    int status_ = 0;
    std::string statusLine_;
    std::vector<std::string> fields_;
};

// Leading decimal number of a header value ("128", "128,128"), or fallback.
int leadingNumber(std::string_view value, int fallback);

// Media type of a Content-Type value, lower case, parameters dropped.
std::string mediaType(std::string_view contentType);

} // namespace zelvorna
