#pragma once

// The command ids of the sound editor: push buttons, menu items and the shortcuts alike go
// through MainWindow::dispatch with one of these. Each button's id is also its objectName.
namespace vorel::sound::command {

// Sequencer: pages, division lines, tempo.
inline constexpr int pageBack10 = 81;        // "<<"
inline constexpr int pageBack1 = 82;         // "<"
inline constexpr int pageForward1 = 83;      // ">"
inline constexpr int pageForward10 = 84;     // ">>"
inline constexpr int quarterLines = 85;      // "1/4"
inline constexpr int eighthLines = 86;       // "1/8"
inline constexpr int twelfthLines = 87;      // "1/12"
inline constexpr int sixteenthLines = 88;    // "1/16"
inline constexpr int twentyFourthLines = 89; // "1/24"
inline constexpr int thirtySecondLines = 90; // "1/32"
inline constexpr int tempoUp10 = 91;         // "UP"
inline constexpr int tempoUp1 = 92;          // "up"
inline constexpr int tempoDown1 = 93;        // "down"
inline constexpr int tempoDown10 = 94;       // "DOWN"
inline constexpr int copyPhrase = 1039;      // "COPY"

// Synthesizer: the settings dialogs, the test notes, the rendering.
inline constexpr int pitchSettings = 95;     // "Pitch"
inline constexpr int ampSettings = 96;       // "AMP"
inline constexpr int lpfSettings = 97;       // "LPF"
inline constexpr int computePreviews = 1025; // "Compute->"
inline constexpr int play110 = 1032;         // "110Hz"
inline constexpr int play220 = 1033;         // "220Hz"
inline constexpr int play440 = 1034;         // "440Hz"
inline constexpr int play880 = 1035;         // "880Hz"
inline constexpr int render = 1036;          // "Render->"
inline constexpr int playRendering = 1037;   // "Play"
inline constexpr int saveWav = 1038;         // "Save(.WAV)"

// The menu.
inline constexpr int loadWave = 101;
inline constexpr int loadSound = 102;
inline constexpr int saveSound = 103;
inline constexpr int about = 104; // also Alt+? and Alt+/
inline constexpr int saveSequence = 32778;
inline constexpr int loadSequence = 32779;

} // namespace vorel::sound::command
