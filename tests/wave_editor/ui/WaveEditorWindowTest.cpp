#include "wave_editor/ui/WaveEditorWindow.h"
#include "common/FileIo.h"
#include "common/WaveFile.h"
#include "platform/DialogUnits.h"
#include "platform/PcmPlayer.h"
#include "wave_editor/Drawing.h"
#include "wave_editor/SingleCycle.h"
#include "wave_editor/ui/Commands.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "support/ClientClicks.h"
#include "support/DialogDriving.h"
#include "support/FakeDialogs.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <deque>
#include <functional>
#include <memory>

namespace vorel::test {
using namespace vorel::wave;
namespace {

class WaveEditorWindowTest : public ::testing::Test {
  protected:
    WaveEditorWindowTest() : window(dialogs) {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void clickAt(int x, int y) { clickClientAt(window.client(), QPoint(x, y)); }

    template <typename Id> void clickButton(Id id) {
        QPushButton* button = window.button(commandNumber(id));
        ASSERT_NE(button, nullptr) << commandNumber(id);
        clickClientButton(window.client(), button);
    }

    static void press(QDialog* dialog, int id) { test::clickButton(dialog, id); }

    static void type(QDialog* dialog, int boxId, const QString& text) {
        typeInto(child<QComboBox>(dialog, boxId), text);
    }

    QImage painted() { return window.client()->grab().toImage(); }

    QString writeFile(const QString& name, const std::vector<std::byte>& bytes) {
        QString path = folder.filePath(name);
        EXPECT_TRUE(writeFileAtomically(path.toStdString(), bytes).ok());
        return path;
    }

    ~WaveEditorWindowTest() override { dropDialogWatchers(); }

    QTemporaryDir folder;
    FakeDialogs dialogs;
    WaveEditorWindow window;
};

TEST_F(WaveEditorWindowTest, WindowHasItsTitleClientAreaMenuAndButtons) {
    EXPECT_EQ(window.windowHandle()->title(), "Vorel v0.0"); // "Vorel v0.0*" while modified
    EXPECT_EQ(window.client()->size(), QSize(930, 650));
    EXPECT_EQ(window.client()->mapTo(&window, QPoint(0, 0)).y(), window.menuBar()->height());

    QStringList menus;
    for (QAction* menu : window.menuBar()->actions()) {
        menus << menu->text();
        if (menu->text() == "Live")
            continue; // its items are the live playing's own
        for (QAction* item : menu->menu()->actions())
            menus << (item->isSeparator() ? QString("-") : item->text());
    }
    EXPECT_EQ(menus.join("|"), "File|Load|Save|-|Import cycle from WAV...|Export cycle as WAV...|-|"
                               "Library...|-|Exit|Live|Version|Version");

    struct Place {
        const char* label;
        int id, x, y, width, height;
    };
    const Place places[] = {
        {"Input", 32799, 775, 10, 50, 24},       {"<<", 32778, 650, 45, 50, 24},
        {">>", 32782, 830, 45, 50, 24},          {"1/n^x", 32790, 710, 135, 50, 30},
        {"Randm", 32796, 830, 180, 50, 30},      {"Deselect all", 32798, 769, 430, 90, 30},
        {"Load", 32807, 769, 520, 90, 30},       {"880Hz", 32805, 340, 450, 90, 30},
        {"sin<-->cos", 32814, 520, 425, 90, 30},
    };
    for (const Place& place : places) {
        QPushButton* button = window.button(place.id);
        ASSERT_NE(button, nullptr) << place.label;
        EXPECT_EQ(button->text(), place.label);
        EXPECT_EQ(button->geometry(), QRect(place.x, place.y, place.width, place.height))
            << place.label;
    }
    EXPECT_EQ(window.client()->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly).size(), 28);
}

TEST_F(WaveEditorWindowTest, ButtonClicksEditTheSelectedCoefficientsAndMoveTheCursor) {
    clickButton(Command::selectAll);
    clickButton(Command::raise);
    clickButton(Command::raise);
    for (double c : window.model().wave())
        EXPECT_DOUBLE_EQ(c, 0.2);
    clickButton(Command::invert);
    EXPECT_DOUBLE_EQ(window.model().wave()[99], -0.2);
    clickButton(Command::historyBack);
    EXPECT_DOUBLE_EQ(window.model().wave()[99], 0.2);
    clickButton(Command::historyForward);
    EXPECT_DOUBLE_EQ(window.model().wave()[99], -0.2);

    clickButton(Command::cursorBack1);
    EXPECT_EQ(window.model().currentOvertone(), 100);
    clickButton(Command::cursorForward10);
    EXPECT_EQ(window.model().currentOvertone(), 10);

    clickButton(Command::deselectAll);
    clickButton(Command::reset);
    for (double c : window.model().wave())
        EXPECT_EQ(c, 0.0);
    EXPECT_FALSE(window.model().isSelected(0));
}

TEST_F(WaveEditorWindowTest, GridClicksToggleSquaresButNotGaps) {
    clickAt(667 + 17, 225); // gap
    clickAt(667 + 5, 225 + 18);
    for (int k = 0; k < 100; ++k)
        EXPECT_FALSE(window.model().isSelected(k));
    clickAt(667 + 16, 225 + 16);
    EXPECT_TRUE(window.model().isSelected(0));
    clickAt(667 + 9 * 20 + 3, 225 + 9 * 20 + 3);
    EXPECT_TRUE(window.model().isSelected(99));
    QImage image = painted();
    EXPECT_EQ(image.pixelColor(667 + 8, 225 + 8), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(667 + 20 + 8, 225 + 8), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(667 + 20, 225), QColor(Qt::black)); // outline of square 2
    clickAt(667 + 2, 225 + 2);
    EXPECT_FALSE(window.model().isSelected(0));
    EXPECT_EQ(painted().pixelColor(667 + 8, 225 + 8), QColor(Qt::white));

    clickButton(Command::storeSelection);
    clickButton(Command::deselectAll);
    clickButton(Command::recallSelection);
    EXPECT_TRUE(window.model().isSelected(99));
}

TEST_F(WaveEditorWindowTest, PaintingShowsPlotBarsCursorGridAndSeparators) {
    QImage empty = painted();
    EXPECT_EQ(empty.pixelColor(300, 50), QColor(0, 0, 0));
    EXPECT_EQ(empty.pixelColor(300, 110), QColor(255, 255, 255)); // zero line over the flat plot
    EXPECT_EQ(empty.pixelColor(300, 250), QColor(196, 196, 196));
    EXPECT_EQ(empty.pixelColor(300, 320), QColor(0, 0, 0));
    EXPECT_EQ(empty.pixelColor(700, 78), QColor(0, 0, 0));
    EXPECT_EQ(empty.pixelColor(700, 322), QColor(0, 0, 0));
    EXPECT_EQ(empty.pixelColor(700, 323), QColor(0, 0, 0));
    EXPECT_EQ(empty.pixelColor(764, 300), QColor(0, 0, 0));
    EXPECT_EQ(empty.pixelColor(765, 300), QColor(0, 0, 0));
    EXPECT_EQ(empty.pixelColor(667 + 8, 225 + 8), QColor(255, 255, 255));

    // Overtone 1 at 1.0 and overtone 2 at -0.5, the cursor on overtone 2.
    clickAt(670, 230);
    clickButton(Command::setOne);
    clickAt(670, 230);
    clickAt(690, 230);
    clickButton(Command::setOne);
    clickButton(Command::invert);
    clickButton(Command::scaleDown);
    clickButton(Command::scaleDown);
    clickButton(Command::scaleDown);
    clickButton(Command::scaleDown);
    clickButton(Command::scaleDown);
    clickButton(Command::cursorForward1);
    ASSERT_DOUBLE_EQ(window.model().wave()[1], -0.5);

    QImage image = painted();
    const QColor blue(0, 0, 255), red(255, 0, 0), grey(196, 196, 196), cyan(0, 255, 255);
    // Overtone 1: a blue bar of 95 pixels rising from the base line, columns 12 and 13.
    EXPECT_EQ(image.pixelColor(12, 319), blue);
    EXPECT_EQ(image.pixelColor(13, 225), blue);
    EXPECT_EQ(image.pixelColor(12, 224), grey);
    EXPECT_EQ(image.pixelColor(14, 300), grey);
    // Overtone 2, under the cursor: a red bar of 47 pixels hanging below it, columns 18 and 19.
    EXPECT_EQ(image.pixelColor(18, 321), red);
    EXPECT_EQ(image.pixelColor(19, 366), red);
    EXPECT_EQ(image.pixelColor(18, 367), grey);
    // sin t - 0.5 sin 2t reaches about 1.3: the plot is shrunk to fit and touches an edge.
    ShapeTables shapes;
    PlotBuffer plot = computePlot(window.model().wave(), shapes, false);
    EXPECT_GT(plot.scale, 1.29);
    int top = 210, bottom = 0;
    for (int t = 0; t < plotPointCount; t += 7) {
        int y = plot.pixelY(t);
        // Where the plot meets the zero line, the white line is drawn over it.
        EXPECT_EQ(image.pixelColor(10 + t, y), y == 110 ? QColor(Qt::white) : cyan) << "t = " << t;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    EXPECT_TRUE(top <= 16 || bottom >= 204) << top << " " << bottom;
    // The value text is drawn in the default colour over white.
    bool textInk = false;
    for (int x = 650; x < 760; ++x)
        for (int y = 14; y < 30; ++y)
            textInk = textInk || image.pixelColor(x, y).lightness() < 128;
    EXPECT_TRUE(textInk);
}

TEST_F(WaveEditorWindowTest, CosineViewPlotsTheFundamentalFromItsCrest) {
    clickAt(670, 230);
    clickButton(Command::setOne);
    clickButton(Command::scaleDown); // 0.9
    clickButton(Command::toggleCosine);
    QImage image = painted();
    // 110 - trunc(0.9 * 95) = 25 at t = 0.
    EXPECT_EQ(image.pixelColor(10, 25), QColor(0, 255, 255));
    EXPECT_EQ(image.pixelColor(10, 24), QColor(0, 0, 0));
}

TEST_F(WaveEditorWindowTest, SelectDialogsMarkTheSeriesAndIgnoreUnknownText) {
    onNextDialog([](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Select overtones");
        DialogUnits units(dialog->font());
        EXPECT_EQ(dialog->size(), units.toPixels(309, 94));
        EXPECT_EQ(dialog->findChild<QComboBox*>("136")->currentText(), "0");
        EXPECT_EQ(dialog->findChild<QComboBox*>("136")->count(), 11);
        EXPECT_EQ(dialog->findChild<QComboBox*>("136")->geometry().topLeft(),
                  units.toPixels(37, 41, 48, 30).topLeft());
        type(dialog, 136, "10");
        type(dialog, 138, "10");
        press(dialog, 1);
    });
    clickButton(Command::selectSeries);
    for (int k = 0; k < 100; ++k)
        EXPECT_EQ(window.model().isSelected(k), (k + 1) % 10 == 0) << k;

    onNextDialog([](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Select overtones to deselect");
        type(dialog, 136, "20"); // not in the list: nothing happens
        type(dialog, 138, "1");
        press(dialog, 1);
    });
    clickButton(Command::deselectSeries);
    EXPECT_TRUE(window.model().isSelected(9));

    onNextDialog([](QDialog* dialog) {
        type(dialog, 136, "2");
        type(dialog, 138, "10");
        press(dialog, 2); // Cancel
    });
    clickButton(Command::deselectSeries);
    EXPECT_TRUE(window.model().isSelected(9));

    onNextDialog([](QDialog* dialog) {
        type(dialog, 136, "2");
        type(dialog, 138, "10");
        press(dialog, 1);
    });
    clickButton(Command::deselectSeries);
    EXPECT_FALSE(window.model().isSelected(9));
    EXPECT_FALSE(window.model().isSelected(99));
    EXPECT_EQ(window.model().historyIndex(), 0);
}

TEST_F(WaveEditorWindowTest, PowerLawDialogBuildsASquareWaveAndSnapshotsEvenWhenCancelled) {
    clickButton(Command::selectAll);
    clickButton(Command::setOne);
    onNextDialog([](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Value of logarithm of x to base n or coefficient sine");
        DialogUnits units(dialog->font());
        EXPECT_EQ(dialog->findChild<QCheckBox*>("1012")->geometry(),
                  units.toPixels(43, 31, 16, 10));
        EXPECT_EQ(dialog->findChild<QComboBox*>("133")->currentText(), "0.1");
        EXPECT_EQ(dialog->findChild<QComboBox*>("1013")->currentText(), "0.0125");
        EXPECT_FALSE(dialog->findChild<QCheckBox*>("1014")->isChecked());
        QTest::mouseClick(dialog->findChild<QCheckBox*>("1012"), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<QCheckBox*>("1014"), Qt::LeftButton);
        type(dialog, 133, "1.0");
        type(dialog, 1013, "0.5");
        press(dialog, 1);
    });
    clickButton(Command::powerLaw);
    EXPECT_EQ(window.model().wave()[0], 1.0 * std::sin(3.141592654 * 0.5));
    EXPECT_NEAR(window.model().wave()[1], 0.0, 1e-9);
    EXPECT_NEAR(window.model().wave()[2], -1.0 / 3.0, 1e-9);
    EXPECT_NEAR(window.model().wave()[4], 1.0 / 5.0, 1e-9);

    int before = window.model().historyIndex();
    WaveData shaped = window.model().wave();
    onNextDialog([](QDialog* dialog) {
        QTest::mouseClick(dialog->findChild<QCheckBox*>("1012"), Qt::LeftButton);
        press(dialog, 2);
    });
    clickButton(Command::powerLaw);
    EXPECT_EQ(window.model().wave(), shaped);
    EXPECT_EQ(window.model().historyIndex(), before + 1);

    onNextDialog([](QDialog* dialog) {
        QTest::mouseClick(dialog->findChild<QCheckBox*>("1012"), Qt::LeftButton);
        type(dialog, 133, "0"); // not an offered exponent: left undone
        press(dialog, 1);
    });
    clickButton(Command::powerLaw);
    EXPECT_EQ(window.model().wave(), shaped);
}

TEST_F(WaveEditorWindowTest, InputDialogSetsTheCurrentCoefficientFromTypedDigits) {
    clickButton(Command::cursorForward1);
    onNextDialog([](QDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Input value");
        auto* edit = dialog->findChild<QLineEdit*>("1011");
        QTest::keyClicks(edit, "2x5"); // the letter is refused by the box
        EXPECT_EQ(edit->text(), "25");
        press(dialog, 1);
    });
    clickButton(Command::input);
    EXPECT_DOUBLE_EQ(window.model().wave()[1], 0.25);

    onNextDialog([](QDialog* dialog) {
        dialog->findChild<QLineEdit*>("1011")->insert(QString::fromUtf8("\uFF11\uFF12"));
        press(dialog, 1);
    });
    clickButton(Command::input);
    EXPECT_DOUBLE_EQ(window.model().wave()[1], 0.12);

    int before = window.model().historyIndex();
    onNextDialog([](QDialog* dialog) {
        QTest::keyClicks(dialog->findChild<QLineEdit*>("1011"), "9");
        press(dialog, 2);
    });
    clickButton(Command::input);
    EXPECT_DOUBLE_EQ(window.model().wave()[1], 0.12);
    EXPECT_EQ(window.model().historyIndex(), before + 1);
}

TEST_F(WaveEditorWindowTest, AltSlashAndAltQuestionMarkOpenTheAboutBox) {
    const std::pair<Qt::Key, Qt::KeyboardModifiers> presses[] = {
        {Qt::Key_Slash, Qt::AltModifier},
        {Qt::Key_Question, Qt::AltModifier},
        {Qt::Key_Question, Qt::AltModifier | Qt::ShiftModifier}, // "?" typed with Shift
    };
    for (auto [key, modifiers] : presses) {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QString title, text;
        int pointSize = 0;
        onNextDialog([&](QDialog* dialog) {
            title = dialog->windowTitle();
            pointSize = dialog->font().pointSize();
            for (QLabel* label : dialog->findChildren<QLabel*>())
                text += label->text() + "|";
            press(dialog, 1);
        });
        QTest::keyClick(&window, key, modifiers);
        EXPECT_EQ(title, "Version info.") << key;
        EXPECT_TRUE(text.contains("Vorel(wave editor) v0.0")) << key;
        EXPECT_EQ(pointSize, 8);
    }
}

TEST_F(WaveEditorWindowTest, SavedAndLoadedWavesMatchBitForBit) {
    WaveData special{};
    special[0] = -0.0;
    special[1] = 3.5;
    special[2] = -7e10;
    special[3] = 5e-324;
    special[99] = 0.1;
    QString original = writeFile("original.vorelwf", encodeWaveFile(special));

    dialogs.answers = {original};
    window.dispatch(Command::loadFile);
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    for (std::size_t k = 0; k < harmonicCount; ++k)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(window.model().wave()[k]),
                  std::bit_cast<std::uint64_t>(special[k]))
            << k;
    EXPECT_EQ(window.model().historyIndex(), 1);

    QString copy = folder.filePath("copy.vorelwf");
    dialogs.answers = {copy};
    window.dispatch(Command::saveFile);
    EXPECT_TRUE(dialogs.messages.empty());
    auto originalBytes = readFileBytes(original.toStdString(), 1000);
    auto copyBytes = readFileBytes(copy.toStdString(), 1000);
    ASSERT_TRUE(copyBytes.ok());
    EXPECT_EQ(copyBytes.value().size(), 800u);
    EXPECT_EQ(copyBytes.value(), originalBytes.value());

    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[0].request.title, "Load");
    EXPECT_EQ(dialogs.asked[0].request.filter, "Vorel wave file(*.vorelwf)");
    EXPECT_EQ(dialogs.asked[0].request.defaultSuffix, "vorelwf");
    EXPECT_EQ(dialogs.asked[1].request.title, "Save");
    EXPECT_EQ(dialogs.asked[1].request.initialPath, original); // the path chosen last

    // Step back to the wave before the load.
    window.dispatch(Command::historyBack);
    EXPECT_EQ(window.model().wave()[1], 0.0);
}

TEST_F(WaveEditorWindowTest, RefusedFilesAndFailedSavesAreReportedAndChangeNothing) {
    clickAt(670, 230);
    clickButton(Command::setOne);
    WaveData before = window.model().wave();
    int history = window.model().historyIndex();

    std::vector<std::byte> shortFile(799, std::byte{0});
    std::vector<std::byte> notFinite = encodeWaveFile(WaveData{});
    notFinite[8 * 5 + 6] = std::byte{0xF8}; // harmonic 6 becomes NaN
    notFinite[8 * 5 + 7] = std::byte{0x7F};
    for (const QString& path :
         {writeFile("short.vorelwf", shortFile), writeFile("nan.vorelwf", notFinite),
          folder.filePath("missing.vorelwf")}) {
        dialogs.messages.clear();
        dialogs.answers = {path};
        window.dispatch(Command::loadFile);
        ASSERT_EQ(dialogs.messages.size(), 1u) << path.toStdString();
        EXPECT_TRUE(dialogs.messages[0].contains(path)) << dialogs.messages[0].toStdString();
        EXPECT_EQ(window.model().wave(), before);
        EXPECT_EQ(window.model().historyIndex(), history);
    }

    // Of a longer file the first 800 bytes count.
    WaveData longWave{};
    longWave[4] = 0.75;
    std::vector<std::byte> longer = encodeWaveFile(longWave);
    longer.resize(1000, std::byte{0xFF});
    dialogs.messages.clear();
    dialogs.answers = {writeFile("long.vorelwf", longer)};
    window.dispatch(Command::loadFile);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(window.model().wave(), longWave);

    // A cancelled dialog does nothing.
    dialogs.answers = {QString()};
    window.dispatch(Command::loadFile);
    EXPECT_EQ(window.model().wave(), longWave);

    QString unwritable = folder.filePath("no-such-folder/out.vorelwf");
    dialogs.answers = {unwritable};
    window.dispatch(Command::saveFile);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].contains(unwritable));
}

TEST_F(WaveEditorWindowTest, WaveFilesOpenFromOutsideAndOtherKindsAreRefused) {
    const QString organ = QStringLiteral(VOREL_EXAMPLES_DIR "/organ.vorelwf");
    window.openFile(organ);
    EXPECT_EQ(window.model().wave()[1], 0.7);
    EXPECT_EQ(window.model().historyIndex(), 1);
    window.openFile(QStringLiteral(VOREL_EXAMPLES_DIR "/soft-lead.vorelsf"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].contains("soft-lead.vorelsf\" failed:\nit is not a wave file"))
        << dialogs.messages[0].toStdString();
    EXPECT_EQ(window.model().historyIndex(), 1);

    // Dropped on the window: the same load.
    QMimeData saw;
    saw.setUrls({QUrl::fromLocalFile(QStringLiteral(VOREL_EXAMPLES_DIR "/saw.vorelwf"))});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &saw, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&window, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPoint(300, 300), Qt::CopyAction, &saw, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&window, &drop);
    EXPECT_EQ(window.model().wave()[1], 0.5);
    EXPECT_EQ(window.model().historyIndex(), 2);
}

TEST_F(WaveEditorWindowTest, ExportedCycleImportsBackAsOneHistoryStepAndForeignPartsAreTold) {
    window.openFile(QStringLiteral(VOREL_EXAMPLES_DIR "/organ.vorelwf"));
    const WaveData organ = window.model().wave();
    const QString cycle = folder.filePath("organ.wav");
    dialogs.answers = {cycle};
    window.dispatch(Command::exportCycle);
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    EXPECT_EQ(dialogs.asked.back().request.defaultSuffix, "wav");

    window.dispatch(Command::reset);
    dialogs.answers = {cycle};
    window.dispatch(Command::importCycle);
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().toStdString();
    const double largest =
        std::abs(*std::ranges::max_element(organ, {}, [](double c) { return std::abs(c); }));
    for (std::size_t k = 0; k < harmonicCount; ++k)
        EXPECT_NEAR(window.model().wave()[k], organ[k] / largest, 1e-6) << k;
    EXPECT_EQ(window.model().historyIndex(), 3); // the load, the reset, the import
    EXPECT_TRUE(window.isWindowModified());
    window.dispatch(Command::historyBack);
    EXPECT_EQ(window.model().wave(), WaveData{});

    // A cosine has no place among the sines: the wave stays silent and the share is told.
    std::vector<float> cosine(256);
    for (std::size_t n = 0; n < cosine.size(); ++n)
        cosine[n] = static_cast<float>(std::sin(2 * M_PI * 3 * n / 256.0) +
                                       std::cos(2 * M_PI * 5 * n / 256.0));
    dialogs.answers = {writeFile("mixed.wav", encodeFloatWavFile(cosine))};
    window.dispatch(Command::importCycle);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].contains("50.0% of the period's energy"))
        << dialogs.messages[0].toStdString();
    EXPECT_NEAR(window.model().wave()[2], 1.0, 1e-6);

    // A file that is no sound changes nothing.
    const WaveData before = window.model().wave();
    dialogs.messages.clear();
    dialogs.answers = {writeFile("noise.wav", std::vector<std::byte>(100, std::byte{7}))};
    window.dispatch(Command::importCycle);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(window.model().wave(), before);
}

TEST_F(WaveEditorWindowTest, ComputeFillsThePreviewsAndExitClosesTheWindow) {
    clickAt(670, 230);
    clickButton(Command::setOne);
    clickButton(Command::play110); // before any computation: silence, and no failure
    EXPECT_EQ(window.previews().pcm(0)[0], 0);
    clickButton(Command::compute);
    EXPECT_EQ(window.previews().pcm(0)[0], 15000);
    EXPECT_EQ(window.previews().pcm(2)[0], 15000);
    EXPECT_EQ(window.model().historyIndex(), 1); // no snapshot
    clickButton(Command::play440);
    EXPECT_TRUE(window.isVisible());
    window.dispatch(Command::exit);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.player().isPlaying());
}

TEST_F(WaveEditorWindowTest, AModifiedWaveIsAskedAboutBeforeALoadOrAClose) {
    const QString organ = folder.filePath("organ.vorelwf");
    ASSERT_TRUE(QFile::copy(QStringLiteral(VOREL_EXAMPLES_DIR "/organ.vorelwf"), organ));
    auto marked = [this] { return window.windowHandle()->title().endsWith('*'); };
    clickAt(670, 230);
    clickButton(Command::setOne);
    EXPECT_TRUE(marked());
    // Ctrl+Z and Ctrl+Shift+Z step through the history like "<-" and "->".
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window.model().wave()[0], 0.0);
    EXPECT_FALSE(marked());
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window.model().wave()[0], 1.0);

    dialogs.saveAnswers = {SaveAnswer::cancel, SaveAnswer::save, SaveAnswer::save};
    window.openFile(organ);
    EXPECT_EQ(window.model().wave()[0], 1.0);
    dialogs.answers = {folder.filePath("no-such-folder/x.vorelwf")};
    window.dispatch(Command::exit);
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    dialogs.answers = {folder.filePath("mine.vorelwf"), organ};
    window.dispatch(Command::loadFile);
    EXPECT_EQ(loadWaveFile(folder.filePath("mine.vorelwf").toStdString()).value()[0], 1.0);
    EXPECT_EQ(window.model().wave()[1], 0.7);
    EXPECT_FALSE(marked());

    clickButton(Command::invert);
    dialogs.saveAnswers = {SaveAnswer::discard};
    window.openFile(organ);
    EXPECT_EQ(window.model().wave()[0], 1.0);
    EXPECT_FALSE(marked());

    // A wave with a file is saved there, without a dialog.
    clickButton(Command::invert);
    dialogs.saveAnswers = {SaveAnswer::save};
    window.dispatch(Command::exit);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(loadWaveFile(organ.toStdString()).value()[0], -1.0);
    EXPECT_EQ(dialogs.asked.size(), 3u);
    EXPECT_EQ(dialogs.questions, (std::vector<QString>{"Save changes to the unnamed wave?",
                                                       "Save changes to the unnamed wave?",
                                                       "Save changes to the unnamed wave?",
                                                       "Save changes to the wave \"organ\"?",
                                                       "Save changes to the wave \"organ\"?"}));
}

TEST_F(WaveEditorWindowTest, TheLibraryLoadsAWaveAfterAskingAboutTheUnsavedOne) {
    clickAt(670, 230);
    clickButton(Command::setOne);
    dialogs.saveAnswers = {SaveAnswer::cancel, SaveAnswer::discard};
    onNextDialog(loadFromLibrary("organ-jazz"));
    window.dispatch(Command::library);
    EXPECT_EQ(window.model().wave()[0], 1.0); // kept
    onNextDialog(loadFromLibrary("organ-jazz"));
    window.dispatch(Command::library);
    EXPECT_EQ(window.model().wave(),
              loadWaveFile(VOREL_LIBRARY_DIR "/waves/organ-jazz.vorelwf").value());
    EXPECT_EQ(dialogs.questions, std::vector<QString>(2, "Save changes to the unnamed wave?"));
    EXPECT_EQ(window.windowHandle()->title(), "Vorel v0.0");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WaveEditorWindowTest, ComputeThrowsClicksAwayAndACloseRequestDuringItEndsTheWindow) {
    // The reference evaluation of every harmonic takes seconds, so the click and the close
    // request surely find the computation running.
    window.previews().setEvaluation(Evaluation::reference);
    clickButton(Command::selectAll);
    clickButton(Command::setOne);
    const WaveData ones = window.model().wave();
    bool clickedWhileBusy = false;
    QElapsedTimer sinceRequest;
    QTimer::singleShot(0, &window, [&] {
        clickedWhileBusy = window.busy();
        clickButton(Command::setZero);
        sinceRequest.start();
        QCoreApplication::postEvent(window.windowHandle(), new QCloseEvent);
    });
    window.dispatch(Command::compute);
    EXPECT_TRUE(clickedWhileBusy);
    EXPECT_EQ(window.model().wave(), ones);
    EXPECT_FALSE(window.isVisible());
    // The window closes within a few milliseconds of the request, and the previews are those
    // before it (none yet): the computation was stopped, not run to its end.
    EXPECT_LT(sinceRequest.elapsed(), 5000);
    EXPECT_EQ(window.previews().peak(1), 0.0);
}

} // namespace
} // namespace vorel::test
