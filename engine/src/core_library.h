// Loads the engine's network and decoding library (libcurl, FFmpeg and theirs) on first use, from
// the folder this library was loaded from, so a process that never plays pays nothing for them.
//
// Threads: any; the first caller loads, the others wait for it. Stays loaded until exit.
#pragma once

#include "stream_core.h"

namespace zelvorna {

// The core's entry points, or nullptr when the library cannot be loaded (tried once).
const CoreApi* EngineCore();

} // namespace zelvorna
