#include "wave_editor/SingleCycle.h"

#include "common/ByteOrder.h"
#include "common/FileIo.h"
#include "common/FileKinds.h"
#include "common/Pcm.h"
#include "common/SoundFileBytes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace vorel::wave {
namespace {

// sin(2 pi m / N) for m = 0 .. N - 1. Since sin(2 pi k n / N) = sin(2 pi ((k n) mod N) / N), a sum
// over the harmonics reads this table instead of evaluating sines of ever larger arguments.
std::vector<double> sineTable(std::size_t length) {
    std::vector<double> table(length);
    const double step = 2.0 * std::numbers::pi / static_cast<double>(length);
    for (std::size_t m = 0; m < length; ++m)
        table[m] = std::sin(step * static_cast<double>(m));
    return table;
}

// The sum of `coefficients` (harmonics 1, 2, ...) at each sample of the period.
std::vector<double> harmonicSum(std::span<const double> coefficients,
                                const std::vector<double>& table) {
    const std::size_t length = table.size();
    std::vector<double> sum(length, 0.0);
    for (std::size_t k = 1; k <= coefficients.size(); ++k) {
        std::size_t phase = 0; // (k n) mod N
        const std::size_t step = k % length;
        for (std::size_t n = 0; n < length; ++n) {
            sum[n] += coefficients[k - 1] * table[phase];
            phase += step;
            if (phase >= length)
                phase -= length;
        }
    }
    return sum;
}

double largestMagnitude(std::span<const double> values) {
    double peak = 0.0;
    for (double value : values)
        peak = std::max(peak, std::abs(value));
    return peak;
}

// The percentage with one decimal, as shown to the user.
std::string percentText(double percent) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", percent);
    return text;
}

} // namespace

std::vector<double> cycleSamples(const WaveData& wave, std::size_t length) {
    if (length == 0)
        return {};
    std::vector<double> samples = harmonicSum(wave, sineTable(length));
    const double peak = largestMagnitude(samples);
    if (peak > 0.0)
        for (double& sample : samples)
            sample /= peak;
    return samples;
}

std::vector<std::byte> encodeFloatWavFile(std::span<const float> samples) {
    constexpr std::uint16_t ieeeFloat = 3; // format tag of float samples
    constexpr std::uint16_t bytesPerSample = 4;
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * bytesPerSample);
    std::vector<std::byte> bytes;
    bytes.reserve(floatWavHeaderSize + dataSize);
    le::appendAscii(bytes, "RIFF");                                   //  0: chunk id
    le::appendU32(bytes, floatWavHeaderSize - 8 + dataSize);          //  4: size of what follows
    le::appendAscii(bytes, "WAVE");                                   //  8: form type
    le::appendAscii(bytes, "fmt ");                                   // 12: format chunk
    le::appendU32(bytes, 18);                                         // 16: its size
    le::appendU16(bytes, ieeeFloat);                                  // 20: float samples
    le::appendU16(bytes, 1);                                          // 22: mono
    le::appendU32(bytes, sampleRate);                                 // 24: 44100
    le::appendU32(bytes, sampleRate * bytesPerSample);                // 28: bytes per second
    le::appendU16(bytes, bytesPerSample);                             // 32: block align
    le::appendU16(bytes, 8 * bytesPerSample);                         // 34: bits per sample
    le::appendU16(bytes, 0);                                          // 36: no extension
    le::appendAscii(bytes, "fact");                                   // 38: needed beside float
    le::appendU32(bytes, 4);                                          // 42: its size
    le::appendU32(bytes, static_cast<std::uint32_t>(samples.size())); // 46: sample count
    le::appendAscii(bytes, "data");                                   // 50: data chunk
    le::appendU32(bytes, dataSize);                                   // 54: its size
    for (float sample : samples)                                      // 58: the samples
        le::appendU32(bytes, std::bit_cast<std::uint32_t>(sample));
    return bytes;
}

std::vector<std::byte> encodeSingleCycleFile(const WaveData& wave, std::size_t length) {
    const std::vector<double> samples = cycleSamples(wave, length);
    std::vector<float> single(samples.begin(), samples.end());
    return encodeFloatWavFile(single);
}

Result<SingleCycleImport> decodeSingleCycleFile(std::span<const std::byte> bytes) {
    using R = Result<SingleCycleImport>;
    auto read = decodeFirstChannel(bytes, longestCycle);
    if (!read)
        return R::failure(read.error());
    const std::vector<double>& samples = read.value();
    const std::size_t length = samples.size();
    if (length > longestCycle)
        return R::failure("it holds more than " + std::to_string(longestCycle) +
                          " samples, too many for one period");
    if (length < shortestCycle)
        return R::failure("it holds " + std::to_string(length) +
                          " samples; one period needs at least 64");
    for (std::size_t n = 0; n < length; ++n)
        if (!std::isfinite(samples[n]))
            return R::failure("sample " + std::to_string(n + 1) + " is not a finite number");
    const double signalPeak = largestMagnitude(samples);
    if (signalPeak == 0.0)
        return R::failure("all its samples are zero");

    SingleCycleImport import;
    import.length = length;
    // A period of N samples cannot hold harmonics at or above N / 2: their samples are those of
    // lower harmonics (k and N - k differ only in sign), so projecting them would only copy the
    // lower ones. Only k < N / 2 is projected; the coefficients above stay 0.
    import.highestHarmonic =
        static_cast<int>(std::min<std::size_t>(harmonicCount, (length - 1) / 2));
    const std::vector<double> table = sineTable(length);
    const auto held = static_cast<std::size_t>(import.highestHarmonic);
    for (std::size_t k = 1; k <= held; ++k) {
        double sum = 0.0;
        std::size_t phase = 0; // (k n) mod N
        for (std::size_t n = 0; n < length; ++n) {
            sum += samples[n] * table[phase];
            phase += k;
            if (phase >= length)
                phase -= length;
        }
        import.wave[k - 1] = 2.0 / static_cast<double>(length) * sum;
    }

    // What the sines leave over: cosine parts, an offset, harmonics above those projected.
    const std::vector<double> sines = harmonicSum(std::span(import.wave).first(held), table);
    double energy = 0.0;
    double outside = 0.0;
    for (std::size_t n = 0; n < length; ++n) {
        energy += samples[n] * samples[n];
        outside += (samples[n] - sines[n]) * (samples[n] - sines[n]);
    }
    import.outsidePercent = 100.0 * outside / energy;

    // A period the sines do not hold at all (a pure cosine) still gives coefficients of the size
    // of rounding errors; scaled to 1.0 they would be noise, so they are left at 0.
    constexpr double roundingLevel = 1e-12;
    const double peak = largestMagnitude(import.wave);
    for (double& coefficient : import.wave)
        coefficient = peak > roundingLevel * signalPeak ? coefficient / peak : 0.0;
    return R::success(import);
}

std::vector<std::string> SingleCycleImport::sentences() const {
    std::vector<std::string> lines;
    if (highestHarmonic < static_cast<int>(harmonicCount))
        lines.push_back("A period of " + std::to_string(length) + " samples holds harmonics 1 to " +
                        std::to_string(highestHarmonic) + " only; the harmonics above are 0.");
    if (percentText(outsidePercent) != "0.0")
        lines.push_back(
            percentText(outsidePercent) +
            "% of the period's energy lies outside the sine harmonics (cosine parts, an "
            "offset or harmonics above the highest) and was left out.");
    return lines;
}

Status saveSingleCycleFile(const std::string& path, const WaveData& wave) {
    return writeFileAtomically(path, encodeSingleCycleFile(wave));
}

Result<SingleCycleImport> readSingleCycleFile(const std::string& path) {
    auto bytes = readFileBytes(path, maxCycleFileSize);
    if (!bytes)
        return Result<SingleCycleImport>::failure(bytes.error());
    if (bytes.value().size() > maxCycleFileSize)
        return Result<SingleCycleImport>::failure("it is larger than 64 MiB, too large for one "
                                                  "period");
    Result<SingleCycleImport> import = decodeSingleCycleFile(bytes.value());
    if (!import)
        return Result<SingleCycleImport>::failure(
            refusalReason(FileKind::recording, path, bytes.value(), import.error()));
    return import;
}

} // namespace vorel::wave
