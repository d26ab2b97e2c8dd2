#pragma once
// The one answer to "are we on the main thread". Any thread.

namespace zelvorna {

// True on the thread of the application object, and while no application object exists (tests
// and start-up run everything on one thread then).
bool OnMainThread();

} // namespace zelvorna
