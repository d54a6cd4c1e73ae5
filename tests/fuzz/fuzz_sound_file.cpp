// The sound file reader against its rules, written out here on their own: a file is accepted
// exactly when it holds at least 100 bytes and each of the 25 little-endian 32-bit indexes at its
// start lies within its parameter's choices; an accepted file encodes back to those 100 bytes; a
// refusal says why. The settings of an accepted file then drive a short voice, computed by the
// reference and by the fast evaluation, which must agree within 1 on 16-bit samples.
#include "FuzzCheck.h"
#include "common/Conversion.h"
#include "sound_editor_io/SoundFile.h"
#include "synth/Synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

using namespace vorel;
using fuzz::require;

namespace {

// How many entries each parameter's box offers, parameter 1 first.
constexpr std::array<std::int64_t, 25> choices{3,  10, 49, 20, 19, 21, 9,  11, 31, 11, 31, 11, 31,
                                               19, 11, 9,  21, 31, 21, 31, 21, 32, 19, 11, 9};

// A few harmonics, so that the filter's threshold keeps some and drops others as the degree moves.
WaveData smallWave() {
    WaveData wave{};
    wave[0] = 1.0;
    wave[1] = 0.5;
    wave[2] = -0.3;
    wave[4] = 0.2;
    wave[8] = 0.1;
    return wave;
}

// Compares the two evaluations over the first samples of a voice whose key is released early,
// so the attack and the start of the release are inside the samples compared.
void compareEvaluations(const SoundSettings& settings) {
    constexpr double f0 = 440.0;          // Hz
    constexpr double gate = 0.01;         // seconds the key is held
    constexpr std::size_t samples = 1024; // about 23 ms
    static const WaveData wave = smallWave();
    // Four oscillators at gain 1.0 reach about full scale; beyond it both sides clamp alike.
    static const double scale = [] {
        double sum = 0.0;
        for (double c : wave)
            sum += std::abs(c);
        return 32767.0 / (4.0 * sum);
    }();
    static Synth synth(1);
    static std::vector<double> reference(samples), fast(samples);

    synth.setEvaluation(Evaluation::reference);
    synth.computeVoice(settings, wave, f0, gate, reference);
    synth.setEvaluation(Evaluation::fast);
    synth.computeVoice(settings, wave, f0, gate, fast);
    for (std::size_t i = 0; i < samples; ++i) {
        const int a = truncateTo<std::int16_t>(reference[i] * scale);
        const int b = truncateTo<std::int16_t>(fast[i] * scale);
        require(std::abs(a - b) <= 1,
                "the fast evaluation differs from the reference by more than 1");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes = fuzz::bytesOf(data, size);
    constexpr std::size_t fileBytes = 100;
    bool valid = size >= fileBytes;
    for (std::size_t p = 0; valid && p < choices.size(); ++p) {
        const auto index = static_cast<std::int32_t>(fuzz::littleEndian(bytes, 4 * p, 4));
        valid = index >= 0 && index < choices[p];
    }

    const auto settings = decodeSoundFile(bytes);
    require(settings.ok() == valid,
            valid ? "a good sound file is refused" : "a bad sound file is taken");
    if (!settings) {
        require(!settings.error().empty(), "a refusal without a reason");
        return 0;
    }
    const auto encoded = encodeSoundFile(settings.value());
    require(encoded.size() == fileBytes && std::equal(encoded.begin(), encoded.end(), bytes.begin(),
                                                      bytes.begin() + fileBytes),
            "the settings do not encode back to the file's first 100 bytes");
    compareEvaluations(settings.value());
    return 0;
}
