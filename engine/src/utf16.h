// UTF-16 addresses (BASS_UNICODE) to the UTF-8 that libcurl takes.
#pragma once

#include <string>

namespace zelvorna {

// Null-terminated UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(const char16_t* text);

} // namespace zelvorna
