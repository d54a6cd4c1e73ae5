#include "sound_editor/LibraryDialog.h"
#include "support/TempFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vorel::test {
using namespace vorel::sound;
namespace {

QPushButton* button(const LibraryDialog& dialog, const QString& text) {
    for (QPushButton* candidate : dialog.findChildren<QPushButton*>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

QTreeWidgetItem* itemNamed(const LibraryDialog& dialog, const QString& name) {
    const auto found = dialog.list()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
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
    LibraryDialog dialog(library);
    EXPECT_EQ(dialog.shownInstruments(), static_cast<int>(library.instruments.size()));
    ASSERT_NE(itemNamed(dialog, "mine (yours)"), nullptr); // the user's instrument appears

    // The search narrows by name, category or description, and widens again.
    dialog.searchField()->setText("organ");
    EXPECT_GE(dialog.shownInstruments(), 5);
    EXPECT_LT(dialog.shownInstruments(), 10);
    EXPECT_TRUE(itemNamed(dialog, "marimba")->isHidden());
    dialog.searchField()->setText("BASS");
    EXPECT_FALSE(itemNamed(dialog, "sub-bass")->isHidden());
    EXPECT_FALSE(itemNamed(dialog, "bassoon")->isHidden());
    dialog.searchField()->clear();
    EXPECT_EQ(dialog.shownInstruments(), static_cast<int>(library.instruments.size()));

    // Listening leaves the dialog open; an instrument without a song loads only alone.
    QSignalSpy listened(&dialog, &LibraryDialog::listenRequested);
    QSignalSpy loaded(&dialog, &LibraryDialog::loadRequested);
    EXPECT_FALSE(button(dialog, "Load")->isEnabled());
    dialog.list()->setCurrentItem(itemNamed(dialog, "harp"));
    QTest::keyClick(dialog.list(), Qt::Key_Space);
    button(dialog, "Listen")->click();
    ASSERT_EQ(listened.size(), 2);
    EXPECT_EQ(qvariant_cast<LibraryInstrument>(listened[0][0]).name, "harp");
    EXPECT_FALSE(button(dialog, "Load with song")->isEnabled());
    EXPECT_TRUE(loaded.isEmpty());

    dialog.list()->setCurrentItem(itemNamed(dialog, "jazz-organ"));
    button(dialog, "Load with song")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenAction(), LibraryDialog::Action::loadWithSong);
    EXPECT_EQ(dialog.selectedSong()->name, "organ-blues");
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_TRUE(loaded[0][1].toBool());
}

} // namespace
} // namespace vorel::test
