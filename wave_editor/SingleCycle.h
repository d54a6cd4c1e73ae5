#pragma once

#include "common/Result.h"
#include "common/WaveData.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace vorel::wave {

// Single-cycle files, the form wavetable synthesizers trade waves in: one period of the wave as
// audio samples.
inline constexpr std::size_t cycleLength = 2048;           // samples in an exported period
inline constexpr std::size_t shortestCycle = 64;           // samples an imported period needs
inline constexpr std::size_t longestCycle = 1u << 20;      // samples an imported period may have
inline constexpr std::size_t maxCycleFileSize = 64u << 20; // bytes read of a file to import

// One period of `length` samples: x[n] = sum over k = 1..100 of c_k sin(2 pi k n / length), with
// 2 pi at full double precision, scaled so the largest magnitude is 1.0. A silent wave gives
// zeros.
std::vector<double> cycleSamples(const WaveData& wave, std::size_t length = cycleLength);

// A RIFF/WAVE file of 32-bit float mono samples at 44100 Hz: "RIFF", "fmt " (18 bytes, IEEE
// float), "fact" (the sample count), "data": a 58-byte header, then the samples.
inline constexpr std::size_t floatWavHeaderSize = 58;
std::vector<std::byte> encodeFloatWavFile(std::span<const float> samples);

// The period of cycleSamples as a float WAV file.
std::vector<std::byte> encodeSingleCycleFile(const WaveData& wave,
                                             std::size_t length = cycleLength);

// A wave read from one period of audio, and what of the period it could not hold.
struct SingleCycleImport {
    WaveData wave{};           // the sine coefficients, scaled to a largest magnitude of 1.0
    std::size_t length = 0;    // samples in the period
    int highestHarmonic = 0;   // the highest harmonic a period of this length holds, at most 100
    double outsidePercent = 0; // the share of the period's energy the 100 sines cannot hold

    // Sentences for a message box or a terminal; empty when the period fit the sines.
    std::vector<std::string> sentences() const;
};

// Projects the first channel of any file libsndfile reads (WAV, AIFF, FLAC, ...; 8 to 32 bits or
// float), taken as one period, on the sines: c_k = (2 / N) sum x[n] sin(2 pi k n / N). Refuses
// files it cannot read, periods shorter than 64 or longer than 1048576 samples, and samples that
// are all zero or not all finite.
Result<SingleCycleImport> decodeSingleCycleFile(std::span<const std::byte> bytes);

Status saveSingleCycleFile(const std::string& path, const WaveData& wave);
// Reads and decodes a file; nothing is changed.
Result<SingleCycleImport> readSingleCycleFile(const std::string& path);

} // namespace vorel::wave
