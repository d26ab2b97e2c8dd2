#include "byte_ring.h"

#include <algorithm>
#include <cstring>

namespace zelvorna {

void ByteRing::reset(std::size_t nominal, std::size_t slack) {
    std::lock_guard lock(mutex_);
    data_.assign(nominal + slack, 0);
    nominal_ = nominal;
    head_ = 0;
    size_ = 0;
}

std::size_t ByteRing::nominal() const {
    std::lock_guard lock(mutex_);
    return nominal_;
}

std::size_t ByteRing::size() const {
    std::lock_guard lock(mutex_);
    return size_;
}

std::size_t ByteRing::space() const {
    std::lock_guard lock(mutex_);
    return data_.size() - size_;
}

bool ByteRing::write(std::span<const std::uint8_t> in) {
    {
        std::lock_guard lock(mutex_);
        if (closed_ || in.size() > data_.size() - size_)
            return false;
        std::size_t tail = (head_ + size_) % data_.size();
        const std::size_t first = std::min(in.size(), data_.size() - tail);
        std::memcpy(data_.data() + tail, in.data(), first);
        std::memcpy(data_.data(), in.data() + first, in.size() - first);
        size_ += in.size();
    }
    readable_.notify_all();
    return true;
}

std::size_t ByteRing::read(std::uint8_t* out, std::size_t max) {
    return readUntil(out, max, std::chrono::steady_clock::time_point::max());
}

std::size_t ByteRing::readUntil(std::uint8_t* out, std::size_t max,
                                std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    const auto ready = [&] { return size_ > 0 || closed_ || interrupted_; };
    if (deadline == std::chrono::steady_clock::time_point::max())
        readable_.wait(lock, ready);
    else
        readable_.wait_until(lock, deadline, ready);
    if (interrupted_ || size_ == 0)
        return 0;
    const std::size_t n = std::min(max, size_);
    const std::size_t first = std::min(n, data_.size() - head_);
    std::memcpy(out, data_.data() + head_, first);
    std::memcpy(out + first, data_.data(), n - first);
    head_ = (head_ + n) % data_.size();
    size_ -= n;
    return n;
}

void ByteRing::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    readable_.notify_all();
}

void ByteRing::interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    readable_.notify_all();
}

bool ByteRing::interrupted() const {
    std::lock_guard lock(mutex_);
    return interrupted_;
}

} // namespace zelvorna
