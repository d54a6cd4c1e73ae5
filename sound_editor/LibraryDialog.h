#pragma once

#include "common/Library.h"

#include <QDialog>
#include <QString>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vorel::sound {

// "Library...": the library's instruments by category, narrowed by a search field. The dialog
// only reports what is chosen: "Listen" (or Space on an instrument) asks to hear it and leaves
// the dialog open (Return too); "Load" and "Load with song" report the instrument and close the
// dialog with Accepted, "Close" with Rejected. The lines of the index that were left out are named
// below.
class LibraryDialog : public QDialog {
    Q_OBJECT

  public:
    enum class Action { load, loadWithSong };

    explicit LibraryDialog(Library library, QWidget* parent = nullptr);

    // The instrument the list has selected, or nothing.
    const LibraryInstrument* selectedInstrument() const;
    // After Accepted: what was asked for, with selectedInstrument().
    std::optional<Action> chosenAction() const { return action_; }
    // The song of the chosen instrument, for loadWithSong.
    const LibrarySong* selectedSong() const;

    QLineEdit* searchField() const { return search_; }
    QTreeWidget* list() const { return list_; }
    // How many instruments the list shows now.
    int shownInstruments() const;

  signals:
    void listenRequested(const vorel::LibraryInstrument& instrument);
    void loadRequested(const vorel::LibraryInstrument& instrument, bool withSong);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fill();
    void narrow(const QString& text);
    void updateButtons();
    void listen();
    void choose(Action action);

    Library library_;
    QLineEdit* search_;
    QTreeWidget* list_;
    QLabel* problems_;
    QPushButton* listen_;
    QPushButton* load_;
    QPushButton* loadWithSong_;
    std::optional<Action> action_;
};

} // namespace vorel::sound
