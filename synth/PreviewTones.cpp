#include "synth/PreviewTones.h"

#include "common/Conversion.h"
#include "synth/SynthConstants.h"

#include <cmath>

namespace vorel {

namespace {

constexpr double toneAmplitude = 4000.0; // the crest of every tone, in 16-bit sample units

} // namespace

PreviewTones::PreviewTones() : samples_(keyCount * toneLength) {
    for (int key = 0; key < keyCount; ++key) {
        // Radians per second, evaluated in this order.
        const double angularFrequency = keyFrequency(key) * soundTwoPi;
        std::int16_t* tone = samples_.data() + key * toneLength;
        for (std::size_t i = 0; i < toneLength; ++i)
            tone[i] = truncateTo<std::int16_t>(std::sin(i * angularFrequency / sampleRate) *
                                               toneAmplitude);
    }
}

std::span<const std::int16_t> PreviewTones::tone(int key) const {
    if (key < 0 || key >= keyCount)
        return {};
    return std::span<const std::int16_t>(samples_).subspan(key * toneLength, toneLength);
}

} // namespace vorel
