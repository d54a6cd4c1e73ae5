#include "wave_editor/ui/WaveDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace vorel::wave {
namespace {

template <std::size_t N> QStringList labelsOf(const std::array<Choice, N>& list) {
    QStringList labels;
    for (const Choice& choice : list)
        labels << QString::fromUtf8(choice.label.data(),
                                    static_cast<qsizetype>(choice.label.size()));
    return labels;
}

template <std::size_t N>
std::optional<double> valueOf(const QComboBox* box, const std::array<Choice, N>& list) {
    return choiceValue(list, box->currentText().toStdString());
}

} // namespace

PowerLawDialog::PowerLawDialog(QWidget* parent)
    : UnitDialog(parent, 129, "Value of logarithm of x to base n or coefficient sine", {311, 76}) {
    addText(QString::fromUtf8("Please select value of x(0.1~1.0\xEF\xBC\x89."), {25, 15, 131, 11});
    exponentCheck_ = addCheck(1012, {43, 31, 16, 10});
    exponentBox_ = addChoiceBox(133, 59, 30, 48, labelsOf(exponentList));
    selectLabel(exponentBox_, "0.1");
    addText("Please choose value of duty(0.0125~0.5).", {161, 15, 143, 11});
    dutyCheck_ = addCheck(1014, {168, 31, 16, 10});
    dutyBox_ = addChoiceBox(1013, 184, 30, 48, labelsOf(dutyList));
    selectLabel(dutyBox_, "0.0125");
    addOkCancel(198, 254, 54);
}

std::optional<PowerLawChoice> PowerLawDialog::choice() const {
    PowerLawChoice result;
    if (exponentCheck_->isChecked()) {
        result.exponent = valueOf(exponentBox_, exponentList);
        if (!result.exponent)
            return std::nullopt;
    }
    if (dutyCheck_->isChecked()) {
        result.duty = valueOf(dutyBox_, dutyList);
        if (!result.duty)
            return std::nullopt;
    }
    return result;
}

std::optional<PowerLawChoice> PowerLawDialog::ask(QWidget* parent) {
    PowerLawDialog dialog(parent);
    if (dialog.exec() != okId)
        return std::nullopt;
    return dialog.choice();
}

SelectDialog::SelectDialog(QWidget* parent, bool select)
    : UnitDialog(parent, select ? 134 : 135,
                 select ? "Select overtones" : "Select overtones to deselect", {309, 94}) {
    addText("Please select coefficients.", {26, 23, 84, 8});
    factorBox_ = addChoiceBox(136, 37, 41, 48, labelsOf(stepList));
    selectLabel(factorBox_, "0");
    addText("*   n   +", {97, 44, 26, 8});
    offsetBox_ = addChoiceBox(138, 135, 42, 48, labelsOf(stepList));
    selectLabel(offsetBox_, "0");
    addOkCancel(198, 252, 73);
}

std::optional<std::pair<double, double>> SelectDialog::choice() const {
    std::optional<double> factor = valueOf(factorBox_, stepList);
    std::optional<double> offset = valueOf(offsetBox_, stepList);
    if (!factor || !offset)
        return std::nullopt;
    return std::pair{*factor, *offset};
}

std::optional<std::pair<double, double>> SelectDialog::ask(QWidget* parent, bool select) {
    SelectDialog dialog(parent, select);
    if (dialog.exec() != okId)
        return std::nullopt;
    return dialog.choice();
}

InputDialog::InputDialog(QWidget* parent) : UnitDialog(parent, 137, "Input value", {309, 92}) {
    addText("Please input value(0~+0.99...).", {20, 14, 104, 8});
    addText("+0.", {31, 34, 13, 8});
    // Digits only, ASCII or full-width.
    edit_ = addEdit(1011, {45, 33, 157, 14}, QString::fromUtf8("[0-9\xEF\xBC\x90-\xEF\xBC\x99]*"));
    addOkCancel(198, 252, 71);
}

std::u16string InputDialog::text() const {
    return edit_->text().toStdU16String();
}

std::optional<std::u16string> InputDialog::ask(QWidget* parent) {
    InputDialog dialog(parent);
    if (dialog.exec() != okId)
        return std::nullopt;
    return dialog.text();
}

} // namespace vorel::wave
