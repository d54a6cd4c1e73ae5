#pragma once

// The command ids of the wave editor: menu items, accelerators and push buttons alike go through
// WaveEditorWindow::dispatch with one of these.
namespace vorel::wave {

enum class Command {
    about = 104,
    exit = 105,
    importCycle = 106,
    exportCycle = 107,
    library = 108, // "Library..."
    cursorBack10 = 32778,
    cursorBack1 = 32779,
    cursorForward1 = 32780,
    saveFile = 32781,
    cursorForward10 = 32782,
    loadFile = 32783,
    raise = 32784,
    scaleUp = 32786,
    scaleDown = 32787,
    lower = 32788,
    setZero = 32789,
    powerLaw = 32790,
    invert = 32791,
    setOne = 32792,
    reset = 32793,
    deselectSeries = 32794,
    selectSeries = 32795,
    randomize = 32796,
    selectAll = 32797,
    deselectAll = 32798,
    input = 32799,
    historyBack = 32800,
    historyForward = 32801,
    compute = 32802,
    play110 = 32803,
    play440 = 32804,
    play880 = 32805,
    storeSelection = 32806,
    recallSelection = 32807,
    toggleCosine = 32814,
};

} // namespace vorel::wave
