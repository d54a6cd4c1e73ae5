#pragma once

#include "synth/SoundSettings.h"

#include <QDialog>

#include <vector>

class QComboBox;

namespace vorel {

// The three dialogs that choose the synthesizer parameters, one drop-down box per parameter.
enum class SettingsPage { pitch = 129, amp = 130, lpf = 131 };

// Opens filled from `settings`; OK stores every box of the dialog into `settings` at once,
// Cancel (also Escape and the close box) changes nothing. A box whose edit text is not one of its
// labels keeps its parameter's previous index.
class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    SettingsDialog(SettingsPage page, SoundSettings& settings, QWidget* parent = nullptr);

    // The result codes: 1 for OK, 2 for Cancel.
    void reject() override;

  private:
    void store();

    struct Box {
        QComboBox* box;
        Param param;
    };
    SoundSettings& settings_;
    std::vector<Box> boxes_;
};

} // namespace vorel
