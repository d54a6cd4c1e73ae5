#include "audio/Resampler.h"

#include "common/SoundConstants.h"

#include <soxr.h>

#include <cmath>

namespace vorel {

std::vector<float> bufferAtRate(std::span<const std::int16_t> samples, double rate) {
    std::vector<float> out;
    if (rate == sampleRate) {
        out.reserve(samples.size());
        for (std::int16_t s : samples)
            out.push_back(static_cast<float>(s) / 32768.0f);
        return out;
    }
    if (samples.empty())
        return out;
    out.resize(static_cast<std::size_t>(
                   std::ceil(static_cast<double>(samples.size()) * rate / sampleRate)) +
               1);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    std::size_t done = 0;
    const soxr_error_t error =
        soxr_oneshot(sampleRate, rate, 1, samples.data(), samples.size(), nullptr, out.data(),
                     out.size(), &done, &io, &quality, nullptr);
    out.resize(error == nullptr ? done : 0);
    return out;
}

} // namespace vorel
