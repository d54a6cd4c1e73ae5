#include "platform/LibraryDialog.h"
#include "support/DialogDriving.h"
#include "support/TempFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace vorel::test {
namespace {

// Every note the dialog started, by how many times it still sounds.
std::map<int, int> stillSounding(const QSignalSpy& notes) {
    std::map<int, int> sounding;
    for (const QList<QVariant>& note : notes)
        sounding[note[0].toInt()] += note[1].toInt() > 0 ? 1 : -1;
    std::erase_if(sounding, [](const auto& entry) { return entry.second == 0; });
    return sounding;
}

TEST(LibraryDialogTest, ListsSearchesAndReportsTheChoice) {
    TempFolder temp;
    const std::string own = temp.file("library");
    std::filesystem::create_directories(own);
    for (const char* file : {"/mine.vorelwf", "/mine.vorelsf"})
        std::ofstream(own + file) << "";
    std::ofstream(own + "/index.txt")
        << "instrument | mine | Mine | mine.vorelwf | mine.vorelsf | my own\nbroken line\n";
    const Library library = loadLibrary(VOREL_LIBRARY_DIR, own);
    ASSERT_EQ(library.problems.size(), 1u);
    EXPECT_NE(library.problems[0].find("index.txt line 2: an entry starts with"),
              std::string::npos);
    LibraryDialog dialog(library, LibraryDialog::Shows::instruments);
    EXPECT_EQ(dialog.shownEntries(), static_cast<int>(library.instruments.size()));
    ASSERT_NE(libraryEntry(dialog, "mine (yours)"), nullptr); // the user's instrument appears

    // The search narrows by name, category or description, and widens again.
    dialog.searchField()->setText("organ");
    EXPECT_GE(dialog.shownEntries(), 5);
    EXPECT_LT(dialog.shownEntries(), 10);
    EXPECT_TRUE(libraryEntry(dialog, "marimba")->isHidden());
    dialog.searchField()->setText("BASS");
    EXPECT_FALSE(libraryEntry(dialog, "sub-bass")->isHidden());
    EXPECT_FALSE(libraryEntry(dialog, "bassoon")->isHidden());
    dialog.searchField()->clear();
    EXPECT_EQ(dialog.shownEntries(), static_cast<int>(library.instruments.size()));

    // Listening leaves the dialog open; an instrument without a song loads only alone.
    QSignalSpy auditions(&dialog, &LibraryDialog::auditionRequested);
    EXPECT_FALSE(buttonReading(&dialog, "Load")->isEnabled());
    dialog.list()->setCurrentItem(libraryEntry(dialog, "harp"));
    QTest::keyClick(dialog.list(), Qt::Key_Space);
    buttonReading(&dialog, "Listen")->click();
    EXPECT_EQ(auditions.size(), 2);
    EXPECT_EQ(dialog.selectedInstrument()->name, "harp");
    EXPECT_EQ(dialog.selectedWave(), nullptr);
    EXPECT_FALSE(buttonReading(&dialog, "Load with song")->isEnabled());

    dialog.list()->setCurrentItem(libraryEntry(dialog, "jazz-organ"));
    buttonReading(&dialog, "Load with song")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenAction(), LibraryDialog::Action::loadWithSong);
    EXPECT_EQ(dialog.selectedSong()->name, "organ-blues");
}

TEST(LibraryDialogTest, WavesAreListedOnceAndTheKeysAndThePhrasePlayTheSelectedOne) {
    const Library library = loadLibrary(VOREL_LIBRARY_DIR, "");
    LibraryDialog dialog(library, LibraryDialog::Shows::waves);
    dialog.setLowestNote(36);
    EXPECT_EQ(dialog.shownEntries(), static_cast<int>(library.waves().size()));
    EXPECT_LT(library.waves().size(), library.instruments.size()); // some play the same wave
    ASSERT_NE(libraryEntry(dialog, "saw"), nullptr);
    EXPECT_TRUE(libraryEntry(dialog, "saw")->text(1).startsWith("played by saw-bass, "));
    EXPECT_TRUE(buttonReading(&dialog, "Load with song")->isHidden());

    QSignalSpy auditions(&dialog, &LibraryDialog::auditionRequested);
    QSignalSpy notes(&dialog, &LibraryDialog::notePlayed);
    QTest::keyClick(dialog.list(), Qt::Key_Z); // nothing selected: nothing plays
    EXPECT_TRUE(notes.isEmpty());
    dialog.list()->setCurrentItem(libraryEntry(dialog, "organ-jazz"));
    EXPECT_EQ(dialog.selectedWave()->path, VOREL_LIBRARY_DIR "/waves/organ-jazz.vorelwf");

    // Z and the S above it: C and C# of the lowest octave, each until its key comes up.
    QTest::keyPress(dialog.list(), Qt::Key_Z);
    QTest::keyPress(dialog.list(), Qt::Key_S);
    QTest::keyRelease(dialog.list(), Qt::Key_Z);
    ASSERT_EQ(notes.size(), 3);
    EXPECT_EQ(notes[0], (QList<QVariant>{36, 100}));
    EXPECT_EQ(notes[1], (QList<QVariant>{37, 100}));
    EXPECT_EQ(notes[2], (QList<QVariant>{36, 0}));
    EXPECT_EQ(auditions.size(), 2);

    // The phrase cuts the held key short; closing the dialog cuts the phrase short.
    QTest::keyClick(dialog.list(), Qt::Key_Return);
    EXPECT_EQ(notes[3], (QList<QVariant>{37, 0}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notes.size() >= 6; }, hungMs));
    EXPECT_EQ(notes[4], (QList<QVariant>{60, 100}));
    EXPECT_EQ(notes[5], (QList<QVariant>{60, 0}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notes.size() >= 7; }, hungMs));
    EXPECT_EQ(notes[6], (QList<QVariant>{64, 100}));
    dialog.reject();
    EXPECT_TRUE(stillSounding(notes).empty());
    EXPECT_EQ(auditions.size(), 3);
}

} // namespace
} // namespace vorel::test
