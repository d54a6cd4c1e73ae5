#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QComboBox;
class QDialog;
class QLabel;
class QPushButton;

namespace vorel {

class DialogUnits;

// Building blocks of the sound editor's dialogs, placed in dialog units. Every control with an id
// carries it as its objectName ("1000").

// The dialogs' font (dialog units follow from it).
QFont dialogFont();

// A static text at (x, y), width x height units. A text that needs more room grows to the right,
// or to the left where it labels the control on its right.
enum class Grow { right, left };
QLabel* addLabel(QDialog* dialog, const DialogUnits& units, const QString& text, int x, int y,
                 int width = 0, int height = 8, int id = 0, Grow grow = Grow::right);

QPushButton* addButton(QDialog* dialog, const DialogUnits& units, const QString& text, int id,
                       int x, int y, int width, int height);

// A drop-down box whose edit field takes typed text. The items keep their order, so an item's
// position is its selection index; typing never adds an item.
QComboBox* addChoiceBox(QDialog* dialog, const DialogUnits& units, int id, int x, int y, int width,
                        const QStringList& labels);

// The item whose label equals the text in the box's edit field, or -1 when no label does.
int chosenIndex(const QComboBox* box);

// Selects the item whose label is exactly `label` (none when there is no such item).
void selectLabel(QComboBox* box, const QString& label);

} // namespace vorel
