// Bounded byte FIFO between the download thread (writer) and the decoder thread (reader).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace zelvorna {

class ByteRing {
public:
    // Sets the size before any byte flows; slack lets a whole network chunk land past it.
    void reset(std::size_t nominal, std::size_t slack);

    std::size_t nominal() const;
    std::size_t size() const;
    std::size_t space() const; // room left, slack included

    // Writes all of it, or nothing when it does not fit (the caller then holds back).
    bool write(std::span<const std::uint8_t> in);

    // Blocks until some bytes, the end or an interrupt; 0 means end or interrupted.
    std::size_t read(std::uint8_t* out, std::size_t max);
    // The same, but gives up at deadline too (0 then, with nothing read).
    std::size_t readUntil(std::uint8_t* out, std::size_t max,
                          std::chrono::steady_clock::time_point deadline);

    void close();     // no more writes: readers drain what is left, then get 0
    void interrupt(); // wakes and releases every reader at once, for good
    bool interrupted() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable readable_;
    std::vector<std::uint8_t> data_;
    std::size_t nominal_ = 0;
    std::size_t head_ = 0; // next byte to read
    std::size_t size_ = 0;
    bool closed_ = false;
    bool interrupted_ = false;
};

} // namespace zelvorna
