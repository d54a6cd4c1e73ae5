#pragma once

// The command ids of the wave editor: menu items, accelerators and push buttons alike go through
// WaveEditorWindow::dispatch with one of these.
namespace vorel::wave::command {

inline constexpr int about = 104;
inline constexpr int exit = 105;
inline constexpr int importCycle = 106;
inline constexpr int exportCycle = 107;
inline constexpr int cursorBack10 = 32778;
inline constexpr int cursorBack1 = 32779;
inline constexpr int cursorForward1 = 32780;
inline constexpr int saveFile = 32781;
inline constexpr int cursorForward10 = 32782;
inline constexpr int loadFile = 32783;
inline constexpr int raise = 32784;
inline constexpr int scaleUp = 32786;
inline constexpr int scaleDown = 32787;
inline constexpr int lower = 32788;
inline constexpr int setZero = 32789;
inline constexpr int powerLaw = 32790;
inline constexpr int invert = 32791;
inline constexpr int setOne = 32792;
inline constexpr int reset = 32793;
inline constexpr int deselectSeries = 32794;
inline constexpr int selectSeries = 32795;
inline constexpr int randomize = 32796;
inline constexpr int selectAll = 32797;
inline constexpr int deselectAll = 32798;
inline constexpr int input = 32799;
inline constexpr int historyBack = 32800;
inline constexpr int historyForward = 32801;
inline constexpr int compute = 32802;
inline constexpr int play110 = 32803;
inline constexpr int play440 = 32804;
inline constexpr int play880 = 32805;
inline constexpr int storeSelection = 32806;
inline constexpr int recallSelection = 32807;
inline constexpr int toggleCosine = 32814;

} // namespace vorel::wave::command
