#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

// Little-endian reads and writes of the file formats. Every read takes its offset from the caller,
// who has already checked that the bytes are there.
namespace vorel::le {

inline std::uint16_t readU16(std::span<const std::byte> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(bytes[offset]) |
                                      (std::to_integer<unsigned>(bytes[offset + 1]) << 8));
}

inline std::int16_t readI16(std::span<const std::byte> bytes, std::size_t offset) {
    return static_cast<std::int16_t>(readU16(bytes, offset));
}

inline std::uint32_t readU32(std::span<const std::byte> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(readU16(bytes, offset)) |
           (static_cast<std::uint32_t>(readU16(bytes, offset + 2)) << 16);
}

inline std::int32_t readI32(std::span<const std::byte> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(readU32(bytes, offset));
}

inline std::uint64_t readU64(std::span<const std::byte> bytes, std::size_t offset) {
    return static_cast<std::uint64_t>(readU32(bytes, offset)) |
           (static_cast<std::uint64_t>(readU32(bytes, offset + 4)) << 32);
}

inline double readF64(std::span<const std::byte> bytes, std::size_t offset) {
    return std::bit_cast<double>(readU64(bytes, offset));
}

inline void appendU16(std::vector<std::byte>& out, std::uint16_t value) {
    out.push_back(static_cast<std::byte>(value & 0xFFu));
    out.push_back(static_cast<std::byte>(value >> 8));
}

inline void appendI16(std::vector<std::byte>& out, std::int16_t value) {
    appendU16(out, static_cast<std::uint16_t>(value));
}

inline void appendU32(std::vector<std::byte>& out, std::uint32_t value) {
    appendU16(out, static_cast<std::uint16_t>(value & 0xFFFFu));
    appendU16(out, static_cast<std::uint16_t>(value >> 16));
}

inline void appendI32(std::vector<std::byte>& out, std::int32_t value) {
    appendU32(out, static_cast<std::uint32_t>(value));
}

inline void appendU64(std::vector<std::byte>& out, std::uint64_t value) {
    appendU32(out, static_cast<std::uint32_t>(value & 0xFFFFFFFFu));
    appendU32(out, static_cast<std::uint32_t>(value >> 32));
}

inline void appendF64(std::vector<std::byte>& out, double value) {
    appendU64(out, std::bit_cast<std::uint64_t>(value));
}

inline void appendAscii(std::vector<std::byte>& out, const char* text) {
    for (; *text != '\0'; ++text)
        out.push_back(static_cast<std::byte>(*text));
}

} // namespace vorel::le

// Big-endian reads and writes, as MIDI files store their numbers; the same contract as above.
namespace vorel::be {

inline std::uint16_t readU16(std::span<const std::byte> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>((std::to_integer<unsigned>(bytes[offset]) << 8) |
                                      std::to_integer<unsigned>(bytes[offset + 1]));
}

inline std::uint32_t readU32(std::span<const std::byte> bytes, std::size_t offset) {
    return (static_cast<std::uint32_t>(readU16(bytes, offset)) << 16) |
           static_cast<std::uint32_t>(readU16(bytes, offset + 2));
}

inline void appendU16(std::vector<std::byte>& out, std::uint16_t value) {
    out.push_back(static_cast<std::byte>(value >> 8));
    out.push_back(static_cast<std::byte>(value & 0xFFu));
}

// The low 24 bits, as a MIDI tempo event holds them.
inline void appendU24(std::vector<std::byte>& out, std::uint32_t value) {
    out.push_back(static_cast<std::byte>((value >> 16) & 0xFFu));
    appendU16(out, static_cast<std::uint16_t>(value & 0xFFFFu));
}

inline void appendU32(std::vector<std::byte>& out, std::uint32_t value) {
    appendU16(out, static_cast<std::uint16_t>(value >> 16));
    appendU16(out, static_cast<std::uint16_t>(value & 0xFFFFu));
}

} // namespace vorel::be
