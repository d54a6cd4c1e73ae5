#pragma once

#include "platform/DialogUnits.h"

#include <QDialog>
#include <QFont>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QIcon;
class QLabel;
class QLineEdit;

namespace vorel {

// The font of every dialog, 8 points unless said otherwise; dialog units follow from it.
QFont dialogFont(int pointSize = 8);

// The ids of the buttons every dialog shares.
inline constexpr int okId = 1;
inline constexpr int cancelId = 2;

// Where a static text that needs more room than its place grows: to the right, or to the left
// where it labels the control on its right. A text is never shrunk or cut, so it stays readable:
// the controls it would reach are moved further right when the dialog first shows.
enum class Grow { right, left };

// How a push button is drawn.
enum class ButtonLook {
    plain,
    defaultButton,   // Enter presses it, unless another push button has the focus
    framedAsDefault, // drawn with the default button's frame; Enter presses it only when focused
};

// A modal dialog laid out in dialog units of its font, with absolutely placed controls. Every
// control with an id carries it as its objectName ("1000"), and every push button ends the dialog
// with its id as the result: OK 1, Cancel 2. Escape and the close box end it like Cancel.
class UnitDialog : public QDialog {
    Q_OBJECT
  public:
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

    // Dialog `id` (its objectName), `size` in units of `font`.
    UnitDialog(QWidget* parent, int id, const QString& title, QSize size,
               const QFont& font = dialogFont());

    // A static text with its top-left corner where `place` has it; `place` is widened and made
    // taller where the text needs it, and the dialog is widened where the text would pass its
    // right edge.
    QLabel* addText(const QString& text, QRect place, int id = 0, Grow grow = Grow::right);
    QPushButton* addButton(const QString& text, int id, QRect place,
                           ButtonLook look = ButtonLook::plain);
    // OK (the default button) and Cancel, 50 x 14 units each, on one row.
    void addOkCancel(int okX, int cancelX, int y);
    // A drop-down box at (x, y), `width` units wide and one line high, whose edit field takes
    // typed text. The items keep their order, so an item's position is its selection index;
    // typing never adds an item and nothing is completed.
    QComboBox* addChoiceBox(int id, int x, int y, int width, const QStringList& labels);
    QCheckBox* addCheck(int id, QRect place);
    // An edit field that takes only text matching `pattern` (characters of digits, say).
    QLineEdit* addEdit(int id, QRect place, const QString& pattern);
    // The icon at 32 x 32 pixels, its top-left corner at (x, y) units.
    QLabel* addIcon(const QIcon& icon, int x, int y);

  private:
    // Moves the controls that a grown static text reaches, with all the controls right of them,
    // far enough right that a gap is left after the text, and widens the dialog to hold them.
    void makeRoomForTexts();

    DialogUnits units_;
    bool roomMade_ = false;
};

// Kept free after a static text before the next control on its right, in dialog units.
inline constexpr int textGap = 3;

// Drawn with the default button's frame although it is not the default button (a dialog has only
// one): the Insert note dialog frames Delete like OK.
class DefaultFramedButton final : public QPushButton {
  public:
    using QPushButton::QPushButton;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// The item whose label equals the text in the box's edit field, or -1 when no label does.
int chosenIndex(const QComboBox* box);

// Selects the item whose label is exactly `label` (none when there is no such item).
void selectLabel(QComboBox* box, const QString& label);

} // namespace vorel
