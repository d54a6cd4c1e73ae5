#pragma once

#include "platform/UnitDialog.h"
#include "synth/SoundSettings.h"

#include <optional>
#include <vector>

class QComboBox;

namespace vorel {

// The three dialogs that choose the synthesizer parameters, one drop-down box per parameter.
enum class SettingsPage { pitch = 129, amp = 130, lpf = 131 };

// Opens with every box showing its parameter's label in `settings`. OK ends it with 1, Cancel
// (also Escape and the close box) with 2.
class SettingsDialog : public UnitDialog {
    Q_OBJECT
  public:
    SettingsDialog(QWidget* parent, SettingsPage page, const SoundSettings& settings);

    // Every box of the dialog, for SoundSettings::store.
    std::vector<ParamChoice> choices() const;
    // Runs the dialog; the choices OK hands back, nothing when cancelled.
    static std::optional<std::vector<ParamChoice>> ask(QWidget* parent, SettingsPage page,
                                                       const SoundSettings& settings);

  private:
    struct Box {
        QComboBox* box;
        Param param;
    };
    std::vector<Box> boxes_;
};

} // namespace vorel
