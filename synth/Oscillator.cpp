#include "synth/Oscillator.h"

#include "synth/SynthConstants.h"

#include <cmath>

namespace vorel {

void oscillatorsReference(const OscillatorInput& in, std::size_t begin, std::size_t end) {
    const WaveData& wave = *in.wave;
    for (std::size_t i = begin; i < end; ++i) {
        const double fi = in.pitchRatio[i] * in.f0;
        const double vi = in.pitchLfo[i] * in.lfoScale;
        const double time = static_cast<double>(i);
        double x = 0.0;
        for (int m = 1; m <= static_cast<int>(harmonicCount); ++m) {
            if (m * fi > harmonicCeiling)
                break;
            const double c = wave[static_cast<std::size_t>(m - 1)] / std::pow(m, in.degree[i]);
            if (c > coefficientThreshold) {
                for (int k = 0; k < in.oscillatorCount; ++k)
                    x += c * std::sin((vi + k * in.detuneHz + fi) * twoPi * time * m / rate);
            }
        }
        in.out[i] = x;
    }
}

namespace {

// Makes sure harmonics 1..limit of the memo's degree are examined.
void fillMemo(HarmonicMemo& memo, const WaveData& wave, int limit) {
    for (int m = memo.filledUpTo + 1; m <= limit; ++m) {
        const double c = wave[static_cast<std::size_t>(m - 1)] / std::pow(m, memo.degree);
        if (c > coefficientThreshold) {
            memo.activeHarmonic[static_cast<std::size_t>(memo.activeCount)] = m;
            memo.activeCoefficient[static_cast<std::size_t>(memo.activeCount)] = c;
            ++memo.activeCount;
        }
    }
    if (limit > memo.filledUpTo)
        memo.filledUpTo = limit;
}

} // namespace

void oscillatorsMemoised(const OscillatorInput& in, std::size_t begin, std::size_t end,
                         HarmonicMemo& memo) {
    const WaveData& wave = *in.wave;
    constexpr int maxOscillators = 4;
    for (std::size_t i = begin; i < end; ++i) {
        const double fi = in.pitchRatio[i] * in.f0;
        const double vi = in.pitchLfo[i] * in.lfoScale;
        const double time = static_cast<double>(i);
        const double degree = in.degree[i];
        if (!memo.valid || degree != memo.degree) {
            memo = HarmonicMemo{};
            memo.degree = degree;
            memo.valid = true;
        }
        // The harmonics below the ceiling at this sample's frequency, tested as the reference
        // tests them.
        int limit = 0;
        while (limit < static_cast<int>(harmonicCount) && !((limit + 1) * fi > harmonicCeiling))
            ++limit;
        fillMemo(memo, wave, limit);

        // The phase factor of each oscillator is the same for every harmonic of this sample.
        double phase[maxOscillators];
        for (int k = 0; k < in.oscillatorCount; ++k)
            phase[k] = (vi + k * in.detuneHz + fi) * twoPi * time;

        double x = 0.0;
        for (int a = 0; a < memo.activeCount; ++a) {
            const int m = memo.activeHarmonic[static_cast<std::size_t>(a)];
            if (m > limit)
                break;
            const double c = memo.activeCoefficient[static_cast<std::size_t>(a)];
            for (int k = 0; k < in.oscillatorCount; ++k)
                x += c * std::sin(phase[k] * m / rate);
        }
        in.out[i] = x;
    }
}

} // namespace vorel
