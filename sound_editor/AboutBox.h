#pragma once

#include <QDialog>

namespace vorel {

// "Version info.": the program's icon, its name and version, OK. Escape and the close box end it
// like OK does.
class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget* parent = nullptr);
};

} // namespace vorel
