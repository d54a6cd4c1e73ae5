#pragma once

#include "platform/UnitDialog.h"
#include "wave_editor/WaveEditorModel.h"

#include <optional>
#include <string>
#include <utility>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace vorel::wave {

// Each dialog is modal, owned by the main window, and hands back what "OK" applies; nothing when
// it is cancelled or when a needed box holds text that is none of its list's labels. Controls
// carry their numeric ids as object names ("1012", "133", "1" for OK, "2" for Cancel).

// "1/n^x": the exponent (box 133, check box 1012) and the duty (box 1013, check box 1014).
class PowerLawDialog : public UnitDialog {
    Q_OBJECT
  public:
    explicit PowerLawDialog(QWidget* parent);
    std::optional<PowerLawChoice> choice() const;
    static std::optional<PowerLawChoice> ask(QWidget* parent);

  private:
    QComboBox* exponentBox_;
    QComboBox* dutyBox_;
    QCheckBox* exponentCheck_;
    QCheckBox* dutyCheck_;
};

// "Select overtones" and "Select overtones to deselect": factor a (box 136), offset b (box 138).
class SelectDialog : public UnitDialog {
    Q_OBJECT
  public:
    SelectDialog(QWidget* parent, bool select);
    std::optional<std::pair<double, double>> choice() const;
    static std::optional<std::pair<double, double>> ask(QWidget* parent, bool select);

  private:
    QComboBox* factorBox_;
    QComboBox* offsetBox_;
};

// "Input value": the digits after "+0." (edit box 1011).
class InputDialog : public UnitDialog {
    Q_OBJECT
  public:
    explicit InputDialog(QWidget* parent);
    std::u16string text() const;
    static std::optional<std::u16string> ask(QWidget* parent);

  private:
    QLineEdit* edit_;
};

} // namespace vorel::wave
