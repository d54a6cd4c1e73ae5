#pragma once

#include <array>
#include <cstddef>

namespace vorel {

// Harmonics of a periodic wave; entry k is the signed amplitude of harmonic k + 1.
inline constexpr std::size_t harmonicCount = 100;

// The 100 harmonic coefficients of one wave, the fundamental first.
using WaveData = std::array<double, harmonicCount>;

} // namespace vorel
