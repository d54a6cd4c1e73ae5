#pragma once

#include "common/WaveData.h"
#include "sequencer/SequenceData.h"
#include "synth/SoundSettings.h"

namespace vorel::sound {

// Everything the sound editor's window shows and edits, apart from the computed sound (which the
// Synth owns).
struct EditorState {
    SoundSettings settings;
    WaveData wave{};       // all 0.0 until a wave file is loaded: every voice is silent
    SequenceData sequence; // notes, tempo and the sequence's shown name
    SequencerView view;    // page on screen, division lines, values for a new note
    DisplayName waveName = blankName();     // shown after "Wave name:"
    DisplayName settingsName = blankName(); // shown after "Name of settings:"
};

} // namespace vorel::sound
