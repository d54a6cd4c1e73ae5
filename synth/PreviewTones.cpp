#include "synth/PreviewTones.h"

#include "common/Conversion.h"

#include <cmath>

namespace vorel {

namespace {

constexpr double lowestKeyHz = 55.0;
constexpr double twoPi = 6.283185308;
constexpr double toneRate = 44100.0; // samples per second
constexpr double toneAmplitude = 4000.0;

} // namespace

PreviewTones::PreviewTones() : samples_(keyCount * toneLength) {
    for (int key = 0; key < keyCount; ++key) {
        // Angular frequency in radians per second, evaluated in this order.
        const double w = std::pow(2.0, key / 12.0) * lowestKeyHz * twoPi;
        std::int16_t* tone = samples_.data() + key * toneLength;
        for (std::size_t i = 0; i < toneLength; ++i)
            tone[i] = truncateTo<std::int16_t>(std::sin(i * w / toneRate) * toneAmplitude);
    }
}

std::span<const std::int16_t> PreviewTones::tone(int key) const {
    if (key < 0 || key >= keyCount)
        return {};
    return std::span<const std::int16_t>(samples_).subspan(key * toneLength, toneLength);
}

} // namespace vorel
