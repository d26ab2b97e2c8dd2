#pragma once
// Bodies of the two feed parsing threads. Each parses on its worker and hands every element to
// the main thread, one at a time, waiting for it: rows are built one by one, in feed order. The
// worker waits, not the main thread: a row's picture downloads in the main thread's event loop.
//
// Threads: the Run functions on a worker; the add and final steps run on the main thread.

#include <QString>
#include <functional>
#include <stdexcept>

namespace zelvorna {
class TWorker;
}

namespace content {

// The programme feed was not one well-formed JSON value.
class EInvalidFeed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Elements read from one feed at the most; later ones are left out, as if the feed ended there.
inline constexpr unsigned kMaxFeedElements = 500;

inline constexpr const char* kInvalidProgrammeFeed =
    "O guia de programação recebido não é um documento JSON válido.";

// Called when a row is complete; the worker reads the next element only then. Main thread.
using TRowDone = std::function<void()>;
// name, description, site, logo address. Runs on the main thread.
using AddSponsor = std::function<void(const QString&, const QString&, const QString&,
                                      const QString&, TRowDone done)>;
// name, description, programme address, picture address. Runs on the main thread.
using AddProgramme = std::function<void(const QString&, const QString&, const QString&,
                                        const QString&, TRowDone done)>;

// Sponsor feed: empty or malformed text gives no card. finalStep (show the strip, end its
// update) runs on the main thread exactly once however the body ends; an error in the feed then
// ends the body (the worker has no termination handler, so nobody sees it).
void RunSponsorParsing(zelvorna::TWorker& worker, const QString& json, const AddSponsor& add,
                       const std::function<void()>& finalStep);

// Programme feed: empty text gives no row; malformed text throws EInvalidFeed; a top level that is
// not an array or an unreadable member throws, after the rows of the earlier elements.
void RunProgrammeParsing(zelvorna::TWorker& worker, const QString& json, const AddProgramme& add);

} // namespace content
