#pragma once

#include "common/Library.h"

#include <QDialog>
#include <QString>

#include <array>
#include <map>
#include <optional>
#include <vector>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace vorel {

// "Library...": the library's instruments (in the sound editor) or the waves they play (in the
// wave editor) by category, narrowed by a search field. The dialog plays and reports what is
// chosen, and the window does the rest:
// - "Listen", Space or Return on an entry plays a short phrase of it, and a key of the computer
//   keyboard's two piano rows plays its note of it, while the dialog stays open. Before each, the
//   dialog asks the window to hand the entry's sound to the live output (auditionRequested); the
//   notes come as notePlayed. Closing the dialog releases every note it plays.
// - "Load" (and, for an instrument that has a song, "Load with song") closes the dialog with
//   Accepted; "Close" with Rejected.
// The lines of the index that were left out are named below the list.
class LibraryDialog : public QDialog {
    Q_OBJECT

  public:
    enum class Shows { instruments, waves };
    enum class Action { load, loadWithSong };
    // "Listen": C, E, G and the C above from middle C, 0.3 s apart, each held 0.25 s.
    static constexpr std::array<int, 4> phrase{60, 64, 67, 72};
    static constexpr int phraseStepMs = 300;
    static constexpr int phraseHeldMs = 250;
    static constexpr int velocity = 100;

    LibraryDialog(Library library, Shows shows, QWidget* parent = nullptr);
    ~LibraryDialog() override;

    // The entry the list has selected, or nothing (and always nothing of the kind not shown).
    const LibraryInstrument* selectedInstrument() const;
    const LibraryWave* selectedWave() const;
    // The song of the selected instrument, or nothing.
    const LibrarySong* selectedSong() const;
    // After Accepted: what was asked for.
    std::optional<Action> chosenAction() const { return action_; }
    // The note of the lower piano row's first key (a C), as the window's keyboard has it.
    void setLowestNote(int note) { lowestNote_ = note; }

    QLineEdit* searchField() const { return search_; }
    QTreeWidget* list() const { return list_; }
    // How many entries the list shows now.
    int shownEntries() const;

  public slots:
    void done(int result) override;

  signals:
    void auditionRequested();
    // A note of the selected entry starts (velocity 1..127) or ends (velocity 0).
    void notePlayed(int note, int velocity);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Entry {
        QString name;
        QString category;
        QString description;
    };

    void fill();
    void narrow(const QString& text);
    void updateButtons();
    int selectedIndex() const;
    void listen();
    bool pianoKey(const QKeyEvent& key, bool down);
    void play(int note, int velocity);
    void releaseAll();
    void choose(Action action);

    Library library_;
    std::vector<LibraryWave> waves_; // shown instead of the instruments
    Shows shows_;
    std::vector<Entry> entries_;
    QLineEdit* search_;
    QTreeWidget* list_;
    QLabel* problems_;
    QPushButton* listen_;
    QPushButton* load_;
    QPushButton* loadWithSong_;
    std::optional<Action> action_;
    int lowestNote_ = 48;
    std::map<int, int> sounding_; // note -> how many of the dialog's starts of it still sound
    unsigned phraseNumber_ = 0;   // a phrase's later notes play while it is the latest
};

} // namespace vorel
