#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace vorel {

// Allocates zero-filled memory with calloc and leaves value-initialised elements as they come:
// a large buffer then costs no time until its pages are first written (the kernel hands out
// zero pages), and only the pages a computation touches ever take memory.
template <class T> struct ZeroedAllocator {
    using value_type = T;
    ZeroedAllocator() = default;
    template <class U> ZeroedAllocator(const ZeroedAllocator<U>&) {}
    T* allocate(std::size_t n) {
        if (void* p = std::calloc(n, sizeof(T)))
            return static_cast<T*>(p);
        throw std::bad_alloc();
    }
    void deallocate(T* p, std::size_t) { std::free(p); }
    template <class U> void construct(U* p) { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <class U> bool operator==(const ZeroedAllocator<U>&) const { return true; }
};

// A fixed-size buffer of numbers that starts all zero: ZeroedBuffer<double>(n) holds n zeros.
// Only for types whose all-zero bytes are the value 0 (integers and doubles).
template <class T> using ZeroedBuffer = std::vector<T, ZeroedAllocator<T>>;

} // namespace vorel
