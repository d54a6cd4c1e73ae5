#include "sequencer/NoteEditing.h"
#include "sequencer/ui/CopyPhraseDialog.h"
#include "sequencer/ui/InsertNoteDialog.h"

#include "support/DialogDriving.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vorel::test {
namespace {

// Opens the note dialog on (tick in page, key) of the page on screen, lets `fill` change it,
// presses `button` and applies what the dialog hands back, as the window does.
struct NoteDialogTest : ::testing::Test {
    int run(int tickInPage, int key, int button, const std::function<void(QDialog*)>& fill = {}) {
        const int tick = view.currentPage * ticksPerPage + tickInPage;
        int result = 0;
        onNextDialog([&](QDialog* dialog) {
            if (fill)
                fill(dialog);
            clickButton(dialog, button);
            result = dialog->result();
        });
        if (const auto edit = InsertNoteDialog::ask(nullptr, sequence, view, tick, key))
            applyNoteEdit(sequence, view, tick, key, *edit);
        return result;
    }
    static std::function<void(QDialog*)> length(const QString& text) {
        return [text](QDialog* dialog) { child<QLineEdit>(dialog, 1031)->setText(text); };
    }
    void TearDown() override { dropDialogWatchers(); }

    SequenceData sequence;
    SequencerView view;
};

TEST_F(NoteDialogTest, LengthTextIsClampedOrDeletesTheNote) {
    const std::pair<QString, int> cases[] = {
        {"2", 3},     {"999", 384}, {"0", 3},    {"3", 3}, {"48", 48},
        {"384", 384}, {"007", 7},   {"0384", 0}, {"", 0},  {"1234", 0},
    };
    for (const auto& [text, expected] : cases) {
        sequence.placeNote(100, 30, 24, 1, 2); // a note the OK replaces
        view.currentPage = 1;
        EXPECT_EQ(run(4, 30, 1, length(text)), 1);
        EXPECT_EQ(sequence.cell(100, 30).noteLength, expected) << text.toStdString();
        EXPECT_EQ(sequence.noteCount(), expected ? 1u : 0u) << text.toStdString();
        // A deleted note leaves no marks behind.
        if (expected == 0) {
            EXPECT_EQ(sequence.cell(110, 30).mark, 0);
        }
        sequence.clear();
    }
}

TEST_F(NoteDialogTest, OkUpdatesTheLastUsedValuesEvenWhenTheLengthIsInvalid) {
    EXPECT_EQ(run(0, 0, 1,
                  [](QDialog* dialog) {
                      child<QLineEdit>(dialog, 1031)->setText("48");
                      child<QComboBox>(dialog, 1029)->setCurrentIndex(4); // "50"
                      child<QComboBox>(dialog, 1030)->setCurrentIndex(9); // "100"
                  }),
              1);
    EXPECT_EQ(view.lastNoteLength, 48);
    EXPECT_EQ(view.lastKeyLengthIndex, 4);
    EXPECT_EQ(view.lastVelocityIndex, 9);

    // The next new note is offered those values.
    InsertNoteDialog next(nullptr, sequence, view, 50, 7);
    EXPECT_EQ(child<QLineEdit>(&next, 1031)->text(), "48");
    EXPECT_EQ(child<QComboBox>(&next, 1029)->currentText(), "50");
    EXPECT_EQ(child<QComboBox>(&next, 1030)->currentText(), "100");

    // An empty length on an empty cell stores no note but still takes the selections; a typed
    // text that is no label keeps the last-used selection.
    run(60, 7, 1, [](QDialog* dialog) {
        child<QLineEdit>(dialog, 1031)->clear();
        child<QComboBox>(dialog, 1029)->setCurrentIndex(0);
        typeInto(child<QComboBox>(dialog, 1030), "55");
    });
    EXPECT_EQ(sequence.noteCount(), 1u);
    EXPECT_EQ(view.lastNoteLength, 48);
    EXPECT_EQ(view.lastKeyLengthIndex, 0);
    EXPECT_EQ(view.lastVelocityIndex, 9);
}

TEST_F(NoteDialogTest, DialogShowsTheNoteStartingOnTheCellOtherwiseANewOne) {
    sequence.placeNote(10, 3, 30, 2, 5);
    InsertNoteDialog onStart(nullptr, sequence, view, 10, 3);
    EXPECT_EQ(child<QLabel>(&onStart, 1026)->text(), "C2");
    EXPECT_EQ(child<QLabel>(&onStart, 1027)->text(), "11");
    EXPECT_EQ(child<QLineEdit>(&onStart, 1031)->text(), "30");
    EXPECT_EQ(child<QComboBox>(&onStart, 1029)->currentText(), "30");
    EXPECT_EQ(child<QComboBox>(&onStart, 1030)->currentText(), "60");

    // A cell the note only covers offers a new note, and OK places a second, overlapping one.
    InsertNoteDialog covered(nullptr, sequence, view, 20, 3);
    EXPECT_EQ(child<QLineEdit>(&covered, 1031)->text(), "24");
    EXPECT_EQ(child<QComboBox>(&covered, 1029)->currentText(), "80");
    run(20, 3, 1);
    EXPECT_EQ(sequence.cell(10, 3).noteLength, 30);
    EXPECT_EQ(sequence.cell(20, 3).noteLength, 24);
}

TEST_F(NoteDialogTest, DeleteRemovesOnlyANoteStartingOnTheCellAndCancelNothing) {
    sequence.placeNote(10, 3, 30, 2, 5);
    const SequencerView before = view;
    EXPECT_EQ(run(20, 3, 3), 3); // covered, not a start
    EXPECT_EQ(sequence.noteCount(), 1u);
    EXPECT_EQ(run(10, 3, 2, length("5")), 2);
    EXPECT_EQ(sequence.cell(10, 3).noteLength, 30);
    EXPECT_EQ(run(10, 3, 3, length("5")), 3);
    EXPECT_EQ(sequence.noteCount(), 0u);
    EXPECT_EQ(sequence.cell(11, 3).mark, 0);
    EXPECT_EQ(view.lastNoteLength, before.lastNoteLength);
    EXPECT_EQ(view.lastKeyLengthIndex, before.lastKeyLengthIndex);
}

TEST_F(NoteDialogTest, LongNoteAtTheEndOfAPageRunsIntoTheFollowingPages) {
    view.currentPage = 79;
    run(95, 0, 1, length("384")); // past the end of the grid: kept, marks stop at the end
    EXPECT_EQ(sequence.cell(79, 95, 0).noteLength, 384);
    view.currentPage = 2;
    run(95, 0, 1, length("384"));
    EXPECT_EQ(sequence.cell(2 * 96 + 95, 0).mark, 1);
    EXPECT_EQ(sequence.cell(6 * 96 + 93, 0).mark, 1);
    EXPECT_EQ(sequence.cell(6 * 96 + 94, 0).mark, 2);
    EXPECT_EQ(sequence.cell(6 * 96 + 95, 0).mark, 0);
}

TEST_F(NoteDialogTest, DeleteIsFramedLikeTheDefaultButtonWhileOkStaysTheDefault) {
    InsertNoteDialog dialog(nullptr, sequence, view, 0, 0);
    auto* remove = child<QPushButton>(&dialog, 3);
    EXPECT_TRUE(child<QPushButton>(&dialog, 1)->isDefault());
    EXPECT_FALSE(remove->isDefault());
    // A plain button in Delete's place, drawn first as it is and then as the default button.
    QPushButton reference(remove->text(), &dialog);
    reference.setGeometry(remove->geometry());
    const QImage plain = reference.grab().toImage();
    reference.setDefault(true);
    const QImage framed = reference.grab().toImage();
    EXPECT_NE(plain, framed);
    EXPECT_EQ(remove->grab().toImage(), framed);
}

// Copy phrase: the two page boxes, OK and Cancel; the pages handed back are copied, as the
// window does.
struct CopyPhraseDialogTest : ::testing::Test {
    int run(const QString& from, const QString& to, int button = 1) {
        int result = 0;
        onNextDialog([&](QDialog* dialog) {
            EXPECT_EQ(child<QComboBox>(dialog, 1040)->currentText(), "1");
            EXPECT_EQ(child<QComboBox>(dialog, 1041)->currentText(), "1");
            EXPECT_EQ(child<QComboBox>(dialog, 1041)->count(), 80);
            typeInto(child<QComboBox>(dialog, 1040), from);
            typeInto(child<QComboBox>(dialog, 1041), to);
            clickButton(dialog, button);
            result = dialog->result();
        });
        if (const std::optional<PhrasePages> pages = CopyPhraseDialog::ask(nullptr))
            copyPhrase(sequence, pages->from, pages->to);
        return result;
    }
    void TearDown() override { dropDialogWatchers(); }

    SequenceData sequence;
};

TEST_F(CopyPhraseDialogTest, CopiesTheSourcePageOntoTheDestination) {
    sequence.placeNote(48, 10, 384, 3, 4); // page 1, tick 48
    sequence.placeNote(96 + 5, 20, 6, 0, 0);
    EXPECT_EQ(run("1", "2"), 1);
    EXPECT_EQ(sequence.cell(1, 48, 10), (NoteCell{384, 3, 4, 1}));
    EXPECT_EQ(sequence.cell(1, 5, 20).noteLength, 0); // the destination's own note is gone
    EXPECT_EQ(sequence.cell(1, 6, 20).mark, 0);
    // The copy runs through pages 3, 4, 5 into page 6.
    EXPECT_EQ(sequence.cell(5, 46, 10).mark, 1);
    EXPECT_EQ(sequence.cell(5, 47, 10).mark, 2);
    EXPECT_EQ(sequence.noteCount(), 2u);
}

TEST_F(CopyPhraseDialogTest, EmptySourceEmptiesTheDestinationAndNotesRunningInKeepTheirBars) {
    sequence.placeNote(3 * 96 + 10, 5, 150, 0, 0); // page 4 into page 5
    sequence.placeNote(4 * 96 + 90, 6, 12, 0, 0);  // page 5 into page 6
    EXPECT_EQ(run("9", "5"), 1);
    EXPECT_EQ(sequence.cell(4 * 96 + 90, 6).noteLength, 0);
    EXPECT_EQ(sequence.cell(5 * 96 + 0, 6).mark, 0); // its marks on page 6 went with it
    EXPECT_EQ(sequence.cell(4, 20, 5).mark, 1);      // the note from page 4 still shows
    EXPECT_EQ(sequence.cell(4, 63, 5).mark, 2);
}

TEST_F(CopyPhraseDialogTest, SamePageUnknownPagesAndCancelChangeNothing) {
    sequence.placeNote(10, 5, 24, 0, 0);
    SequenceData before;
    before.placeNote(10, 5, 24, 0, 0);
    EXPECT_EQ(run("1", "1"), 1);
    EXPECT_EQ(run("0", "2"), 1);
    EXPECT_EQ(run("1", "81"), 1);
    EXPECT_EQ(run("1", " 2"), 1);
    EXPECT_EQ(run("1", "2", 2), 2);
    EXPECT_TRUE(sequence.sameNotes(before));
}

} // namespace
} // namespace vorel::test
