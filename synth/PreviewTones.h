#pragma once

#include "common/SoundConstants.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorel {

// The short sine tones that audition a key when the user clicks a row of the note grid: one
// tone of 0.2 s for each of the keyCount keys, key k at 55 * 2^(k/12) Hz with amplitude 4000,
// starting at phase 0 and ending abruptly wherever the sine stands. Built once, never changed.
class PreviewTones {
  public:
    static constexpr std::size_t toneLength = sampleRate / 5; // samples per tone (0.2 s)

    PreviewTones();

    // All samples of the tone of `key`; empty for a key outside 0 .. 72.
    std::span<const std::int16_t> tone(int key) const;

  private:
    std::vector<std::int16_t> samples_; // the tones one after another, tone k from toneLength * k
};

} // namespace vorel
