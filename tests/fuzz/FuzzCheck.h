#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace vorel::fuzz {

// A broken rule ends the run as a finding; libFuzzer keeps the input that led to it.
inline void require(bool holds, const char* rule) {
    if (!holds) {
        std::fprintf(stderr, "rule broken: %s\n", rule);
        std::abort();
    }
}

inline std::span<const std::byte> bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const std::byte*>(data), size};
}

// The little-endian unsigned number in bytes [offset, offset + width), read byte by byte.
inline std::uint64_t littleEndian(std::span<const std::byte> bytes, std::size_t offset, int width) {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 |
                std::to_integer<std::uint64_t>(bytes[offset + static_cast<std::size_t>(i)]);
    return value;
}

} // namespace vorel::fuzz
