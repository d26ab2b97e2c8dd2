// Builds made for the demo station trust its own certificate for https, beside the system's
// authorities; release builds trust the system's authorities only.
#pragma once

#include <curl/curl.h>

namespace zelvorna {

// Adds the demo station's certificate to what the transfer trusts (demo builds); nothing else.
void TrustDemoStation(CURL* easy);

} // namespace zelvorna
