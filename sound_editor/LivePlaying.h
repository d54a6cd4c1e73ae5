#pragma once

#include "audio/AudioOutput.h"
#include "sound_editor/EditorState.h"

#include <array>
#include <cstdint>

namespace vorel::sound {

// The sound editor's live playing: the notes that come in from the MIDI ports play through the
// program's output with the window's wave and settings, as they are at the note's start.
class LivePlaying {
  public:
    // Hands the sound over at once, so that MIDI plays from the start.
    explicit LivePlaying(const EditorState& state);

    // Hands the wave and the settings to the live engine when they changed since the last call.
    void follow();
    // Live notes play another sound until the next follow() (an instrument listened to).
    void audition(const SoundSettings& settings, const WaveData& wave);

    // The output and the MIDI ports as they are now, for the Live menu.
    static AudioStatus status() { return AudioOutput::shared().status(); }

  private:
    const EditorState& state_;
    WaveData wave_{};
    std::array<std::int32_t, parameterCount> indexes_{};
    bool handedOver_ = false;
};

} // namespace vorel::sound
