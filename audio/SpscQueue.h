#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>

namespace vorel {

// A fixed ring between one producer thread and one consumer thread: neither ever waits, locks or
// allocates. A push onto a full ring is dropped and says so.
template <typename T, std::size_t capacity> class SpscQueue {
    static_assert(capacity >= 2 && (capacity & (capacity - 1)) == 0, "a power of two");

  public:
    // Producer.
    bool push(const T& value) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == capacity)
            return false;
        items_[tail & (capacity - 1)] = value;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }
    // Consumer.
    std::optional<T> pop() {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire))
            return std::nullopt;
        T value = items_[head & (capacity - 1)];
        head_.store(head + 1, std::memory_order_release);
        return value;
    }

  private:
    std::array<T, capacity> items_{};
    std::atomic<std::size_t> head_{0}; // the next item to pop
    std::atomic<std::size_t> tail_{0}; // the next place to push
};

} // namespace vorel
