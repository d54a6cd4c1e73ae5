#include "wave_editor/ui/WaveDialogs.h"

#include "platform/DialogUnits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace vorel::wave {
namespace {

// Dialog sizes and control rectangles are in dialog units of the dialog's font.
void fixSize(QDialog* dialog, const DialogUnits& units, int width, int height) {
    dialog->setFixedSize(units.toPixels(width, height));
}

QLabel* addText(QDialog* dialog, const DialogUnits& units, const QString& text, int x, int y,
                int width, int height) {
    auto* label = new QLabel(text, dialog);
    units.place(label, x, y, width, height);
    // The layout was made for a narrower font than most systems have: a text that would not fit
    // its place is set a little smaller rather than cut off.
    QFont font = label->font();
    while (QFontMetrics(font).horizontalAdvance(text) > label->width() && font.pointSizeF() > 6.0)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
    return label;
}

template <std::size_t N>
QComboBox* addChoiceBox(QDialog* dialog, const DialogUnits& units, const char* id,
                        const std::array<Choice, N>& list, const char* initial, int x, int y,
                        int width) {
    auto* box = new QComboBox(dialog);
    box->setObjectName(id);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert); // typed text never becomes a list entry
    for (const Choice& choice : list)
        box->addItem(QString::fromUtf8(choice.label.data(), static_cast<int>(choice.label.size())));
    box->setCurrentIndex(box->findText(initial, Qt::MatchExactly));
    // The list part of the template's 30 units drops down; the closed box is one line high.
    QRect rect = units.toPixels(x, y, width, 12);
    rect.setHeight(std::max(rect.height(), box->sizeHint().height()));
    box->setGeometry(rect);
    return box;
}

QCheckBox* addCheck(QDialog* dialog, const DialogUnits& units, const char* id, int x, int y) {
    auto* check = new QCheckBox(dialog);
    check->setObjectName(id);
    units.place(check, x, y, 16, 10);
    return check;
}

void addOkCancel(QDialog* dialog, const DialogUnits& units, int okX, int cancelX, int y) {
    auto* ok = new QPushButton(QObject::tr("OK"), dialog);
    ok->setObjectName("1");
    ok->setDefault(true);
    units.place(ok, okX, y, 50, 14);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    auto* cancel = new QPushButton(QObject::tr("Cancel"), dialog);
    cancel->setObjectName("2");
    units.place(cancel, cancelX, y, 50, 14);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

template <std::size_t N>
std::optional<double> valueOf(const QComboBox* box, const std::array<Choice, N>& list) {
    return choiceValue(list, box->currentText().toStdString());
}

} // namespace

PowerLawDialog::PowerLawDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("129");
    setWindowTitle("Value of logarithm of x to base n or coefficient sine");
    setModal(true);
    DialogUnits units(font());
    fixSize(this, units, 311, 76);
    addText(this, units, QString::fromUtf8("Please select value of x(0.1~1.0\xEF\xBC\x89."), 25, 15,
            131, 11);
    exponentCheck_ = addCheck(this, units, "1012", 43, 31);
    exponentBox_ = addChoiceBox(this, units, "133", exponentList, "0.1", 59, 30, 48);
    addText(this, units, "Please choose value of duty(0.0125~0.5).", 161, 15, 143, 11);
    dutyCheck_ = addCheck(this, units, "1014", 168, 31);
    dutyBox_ = addChoiceBox(this, units, "1013", dutyList, "0.0125", 184, 30, 48);
    addOkCancel(this, units, 198, 254, 54);
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
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

SelectDialog::SelectDialog(QWidget* parent, bool select) : QDialog(parent) {
    setObjectName(select ? "134" : "135");
    setWindowTitle(select ? "Select overtones" : "Select overtones to deselect");
    setModal(true);
    DialogUnits units(font());
    fixSize(this, units, 309, 94);
    addText(this, units, "Please select coefficients.", 26, 23, 84, 8);
    factorBox_ = addChoiceBox(this, units, "136", stepList, "0", 37, 41, 48);
    addText(this, units, "*   n   +", 97, 44, 26, 8);
    offsetBox_ = addChoiceBox(this, units, "138", stepList, "0", 135, 42, 48);
    addOkCancel(this, units, 198, 252, 73);
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
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

InputDialog::InputDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("137");
    setWindowTitle("Input value");
    setModal(true);
    DialogUnits units(font());
    fixSize(this, units, 309, 92);
    addText(this, units, "Please input value(0~+0.99...).", 20, 14, 104, 8);
    addText(this, units, "+0.", 31, 34, 13, 8);
    edit_ = new QLineEdit(this);
    edit_->setObjectName("1011");
    // Digits only, ASCII or full-width.
    edit_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QString::fromUtf8("[0-9\xEF\xBC\x90-\xEF\xBC\x99]*")), edit_));
    units.place(edit_, 45, 33, 157, 14);
    addOkCancel(this, units, 198, 252, 71);
}

std::u16string InputDialog::text() const {
    return edit_->text().toStdU16String();
}

std::optional<std::u16string> InputDialog::ask(QWidget* parent) {
    InputDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.text();
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("103");
    setWindowTitle("Version info.");
    setModal(true);
    DialogUnits units(font());
    fixSize(this, units, 170, 62);
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(":/wave_editor/vorel.png").pixmap(32, 32));
    units.place(icon, 14, 14, 21, 20);
    addText(this, units, "Vorel(wave editor) v0.0", 42, 14, 114, 8);
    addText(this, units, "Harmonic wave designer", 42, 26, 114, 8);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    units.place(ok, 113, 41, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace vorel::wave
