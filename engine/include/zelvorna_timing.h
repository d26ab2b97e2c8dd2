// Timing marks for the benchmarks: with ZELVORNA_TIMING set in the environment, each mark is a
// line "zelvorna-timing <monotonic ms> <step>" on standard error, on the clock the benchmark
// scripts read too (CLOCK_MONOTONIC). Without it a mark costs one test of a cached flag.
//
// Threads: any, except the audio callback (it writes to a stream); header-only, no Qt.
#ifndef ZELVORNA_TIMING_H
#define ZELVORNA_TIMING_H

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace zelvorna {

inline bool TimingOn() {
    static const bool on = std::getenv("ZELVORNA_TIMING") != nullptr;
    return on;
}

inline void TimingMarkAt(const char* step, std::chrono::steady_clock::time_point at) {
    if (!TimingOn())
        return;
    const double ms = std::chrono::duration<double, std::milli>(at.time_since_epoch()).count();
    std::fprintf(stderr, "zelvorna-timing %.3f %s\n", ms, step);
}

inline void TimingMark(const char* step) {
    if (TimingOn())
        TimingMarkAt(step, std::chrono::steady_clock::now());
}

} // namespace zelvorna

#endif
