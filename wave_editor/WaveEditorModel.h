#pragma once

#include "common/WaveData.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorel::wave {

inline constexpr int historySize = 100;

// A list of choices in a dialog: the label shown and the value used.
struct Choice {
    std::string_view label;
    double value;
};

// Factor and offset of the select dialogs: 0 .. 10.
extern const std::array<Choice, 11> stepList;
// Exponent x of "1/n^x": -1.0 .. -0.1 and 0.1 .. 1.0 (0 is not offered).
extern const std::array<Choice, 20> exponentList;
// Pulse duty of "1/n^x": 0.0125 .. 0.5.
extern const std::array<Choice, 21> dutyList;

// The value of the choice whose label equals `text` exactly, or nothing for any other text.
template <std::size_t N>
std::optional<double> choiceValue(const std::array<Choice, N>& list, std::string_view text) {
    for (const Choice& choice : list)
        if (choice.label == text)
            return choice.value;
    return std::nullopt;
}

// What "OK" of the "1/n^x" dialog applies: the exponent when its box is checked, the duty when
// its box is checked.
struct PowerLawChoice {
    std::optional<double> exponent;
    std::optional<double> duty;
};

// The classic seedless linear congruential generator: every run gives the same sequence of
// integers 0 .. 32767.
class RandomSequence {
  public:
    int next() {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<int>((state_ / 65536u) % 32768u);
    }

  private:
    std::uint32_t state_ = 1;
};

// The wave being edited and everything around it: the cursor, the selection and its stored copy,
// the display mode and the history ring. Every editing command of the window lands here.
// No operation ever leaves a coefficient that is not finite: +-inf becomes the largest finite
// double of that sign and NaN becomes 0.0, so every wave the editor saves, it can load again.
class WaveEditorModel {
  public:
    const WaveData& wave() const { return wave_; }
    int currentOvertone() const { return currentOvertone_; } // 1 .. 100
    bool isSelected(int index) const { return selection_[static_cast<std::size_t>(index)] == 1; }
    const std::array<std::uint8_t, harmonicCount>& selection() const { return selection_; }
    const std::array<std::int32_t, harmonicCount>& selectionMemory() const { return memory_; }
    bool cosineView() const { return cosineView_; }
    int historyIndex() const { return historyIndex_; }
    const WaveData& historySlot(int slot) const { return history_[static_cast<std::size_t>(slot)]; }

    // Cursor: moves by `delta` (-10, -1, +1, +10) and wraps around 1 .. 100.
    void moveCursor(int delta);

    // Operations on the selected coefficients; each takes a history snapshot.
    void raise();     // "+UP": c + 0.1, at most 1.0
    void lower();     // "-DWN": c - 0.1, at least -1.0
    void scaleUp();   // "*UP": the largest selected magnitude grows by 0.1, at most to 1.0
    void scaleDown(); // "/DWN": the largest selected magnitude shrinks by 0.1, at least to 0
    void setZero();   // "0"
    void setOne();    // "1"
    void invert();    // "*-1"
    void randomize(); // "Randm": c * r / 32767, clamped to -1.0 .. 1.0
    void reset();     // "Reset": every coefficient, selected or not, becomes 0.0

    // "1/n^x": nothing means the dialog was cancelled (or left undone); the snapshot is taken
    // either way.
    void applyPowerLaw(const std::optional<PowerLawChoice>& choice);
    // "Input": the typed text (UTF-16) sets the current coefficient to 0.<digits>; nothing means
    // cancelled. The snapshot is taken either way.
    void applyInput(const std::optional<std::u16string>& text);

    // Selection.
    void toggleSelection(int index);
    // Overtones n = a * i + b (i = 0, 1, ...) within 1 .. 100 become selected or deselected.
    void selectSeries(double factor, double offset, bool select);
    void selectAll();
    void deselectAll();
    void storeSelection();  // "Memory"
    void recallSelection(); // "Load" (the button)
    void toggleCosineView();

    // A wave loaded from a file replaces the coefficients and becomes the newest history entry.
    void loadWave(const WaveData& wave);

    // History ring.
    void pushSnapshot();
    void stepBack();
    void stepForward();

  private:
    template <typename Edit> void forEachSelected(Edit edit);
    void keepFinite();

    WaveData wave_{};
    int currentOvertone_ = 1;
    std::array<std::uint8_t, harmonicCount> selection_{};
    std::array<std::int32_t, harmonicCount> memory_{};
    bool cosineView_ = false;
    std::array<WaveData, historySize> history_{};
    int historyIndex_ = 0;
    RandomSequence random_;
};

} // namespace vorel::wave
