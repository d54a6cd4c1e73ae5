#pragma once

#include "platform/UnitDialog.h"

#include <QIcon>

namespace vorel {

// What an about box shows: its id, the program's name and a second line.
struct AboutTexts {
    int id;           // "100" in the sound editor, "103" in the wave editor
    QString name;     // "Vorel sound editor"
    QString subtitle; // "Version 0.1, built with Qt 6"
};

// "Version info.": the program's icon, its name and a second line, OK. Escape and the close box
// end it like OK does.
class AboutBox : public UnitDialog {
    Q_OBJECT
  public:
    AboutBox(QWidget* parent, const AboutTexts& texts, const QIcon& icon, const QFont& font);
};

} // namespace vorel
