#pragma once

// The command ids of the sound editor: push buttons, menu items and the shortcuts alike go
// through MainWindow::dispatch with one of these. Each one's number is also the objectName of
// its buttons and menu items.
namespace vorel::sound {

enum class Command {
    // Sequencer: pages, division lines, tempo.
    pageBack10 = 81,        // "<<"
    pageBack1 = 82,         // "<"
    pageForward1 = 83,      // ">"
    pageForward10 = 84,     // ">>"
    quarterLines = 85,      // "1/4"
    eighthLines = 86,       // "1/8"
    twelfthLines = 87,      // "1/12"
    sixteenthLines = 88,    // "1/16"
    twentyFourthLines = 89, // "1/24"
    thirtySecondLines = 90, // "1/32"
    tempoUp10 = 91,         // "UP"
    tempoUp1 = 92,          // "up"
    tempoDown1 = 93,        // "down"
    tempoDown10 = 94,       // "DOWN"
    copyPhrase = 1039,      // "COPY"

    // Synthesizer: the settings dialogs, the test notes, the rendering.
    pitchSettings = 95,     // "Pitch"
    ampSettings = 96,       // "AMP"
    lpfSettings = 97,       // "LPF"
    computePreviews = 1025, // "Compute->"
    play110 = 1032,         // "110Hz"
    play220 = 1033,         // "220Hz"
    play440 = 1034,         // "440Hz"
    play880 = 1035,         // "880Hz"
    render = 1036,          // "Render->"
    playRendering = 1037,   // "Play"
    saveWav = 1038,         // "Save(.WAV)"

    // The menu.
    loadWave = 101,
    loadSound = 102,
    saveSound = 103,
    about = 104, // also Alt+? and Alt+/
    undo = 105,  // also Ctrl+Z
    redo = 106,  // also Ctrl+Shift+Z and Ctrl+Y
    exportMidi = 107,
    importMidi = 108,
    library = 109, // "Library..."
    saveSequence = 32778,
    loadSequence = 32779,
};

} // namespace vorel::sound
