// What an https transfer trusts: the system's authorities, and in builds made for the demo
// station its own certificate beside them (release builds never trust it).
#pragma once

#include <curl/curl.h>

namespace zelvorna {

// Sets up the transfer's trust; before it is performed.
void SetUpTrust(CURL* easy);

} // namespace zelvorna
