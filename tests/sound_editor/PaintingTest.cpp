#include "WindowFixture.h"

namespace vorel::test {
namespace {

using PaintingTest = WindowTest;

const QColor black(0, 0, 0);
const QColor grey(64, 64, 64);
const QColor green(0, 255, 0);

QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// x positions in and around the grid (or in [from, to)) where the colour is seen on row y.
std::vector<int> columnsOf(const QImage& image, int y, const QColor& colour, int from = 395,
                           int to = 890) {
    std::vector<int> columns;
    for (int x = from; x < to; ++x)
        if (at(image, x, y) == colour)
            columns.push_back(x);
    return columns;
}

TEST_F(PaintingTest, EmptyGridShowsOnlyTheKeyBands) {
    const QImage image = screen();
    for (int y = 92; y <= 98; ++y)
        EXPECT_EQ(at(image, 640, y), grey) << "top band, y " << y;
    EXPECT_EQ(at(image, 640, 99), black);
    // Key k's band is y 526 - 6k .. 531 - 6k: grey for naturals, black for sharps.
    for (int key = 0; key < 72; ++key) {
        const bool natural =
            keyNames[static_cast<std::size_t>(key)].find('#') == std::string_view::npos;
        for (int y = 526 - 6 * key; y <= 531 - 6 * key; ++y) {
            EXPECT_EQ(at(image, 400, y), natural ? grey : black) << "key " << key << " y " << y;
            EXPECT_EQ(at(image, 879, y), natural ? grey : black) << "key " << key << " y " << y;
        }
    }
    // The band of key 0 reaches two pixels below the black background; nothing else is drawn
    // outside the grid.
    EXPECT_NE(at(image, 640, 532), grey);
    EXPECT_NE(at(image, 880, 300), black);
    EXPECT_NE(at(image, 399, 300), black);
    EXPECT_TRUE(columnsOf(image, 99, green).empty());
}

TEST_F(PaintingTest, NoteBarsCoverAllButTheLastTickOfEachNote) {
    state().sequence.placeNote(0, 0, 3, 0, 0);    // tick 0, key 0, length 3
    state().sequence.placeNote(95, 72, 3, 0, 0);  // runs into page 2
    state().sequence.placeNote(91, 40, 10, 0, 0); // last tick is tick 4 of page 2
    QImage image = screen();
    std::vector<int> key0;
    for (int x = 400; x < 415; ++x)
        key0.push_back(at(image, x, 528) == green && at(image, x, 529) == green);
    EXPECT_EQ(key0, (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_NE(at(image, 405, 527), green);
    EXPECT_NE(at(image, 405, 530), green);
    EXPECT_EQ(at(image, 877, 528 - 6 * 72), green);
    EXPECT_EQ(at(image, 877, 529 - 6 * 72), green);

    clickButton(client(), 83);
    image = screen();
    EXPECT_EQ(at(image, 404, 528 - 6 * 72), green); // tick 96 of the note from tick 95
    EXPECT_EQ(at(image, 405, 528 - 6 * 72), grey);  // its last tick stays dark
    // Ticks 0..3 of page 2 show the bar of the note from page 1.
    EXPECT_EQ(columnsOf(image, 528 - 6 * 40, green).size(), 20u);
    EXPECT_EQ(columnsOf(image, 528 - 6 * 40, green).front(), 400);
}

TEST_F(PaintingTest, DivisionLinesHaveTheirColoursAndCoarserLinesWin) {
    clickButton(client(), 85); // 1/4
    QImage image = screen();
    // Only inside the grid: around it, the window colour is white as well.
    EXPECT_EQ(columnsOf(image, 99, QColor(255, 255, 255), 400, 880),
              (std::vector<int>{400, 520, 640, 760}));
    EXPECT_EQ(at(image, 520, 92), QColor(255, 255, 255));
    EXPECT_EQ(at(image, 520, 529), QColor(255, 255, 255));
    EXPECT_NE(at(image, 520, 530), QColor(255, 255, 255));

    clickButton(client(), 85);
    clickButton(client(), 90); // 1/32 alone: 32 lines 15 pixels apart
    image = screen();
    const std::vector<int> thirtySeconds = columnsOf(image, 99, QColor(0, 0, 255));
    ASSERT_EQ(thirtySeconds.size(), 32u);
    EXPECT_EQ(thirtySeconds.front(), 400);
    EXPECT_EQ(thirtySeconds.back(), 865);

    for (int id : {85, 86, 87, 88, 89}) // everything on
        clickButton(client(), id);
    image = screen();
    const std::pair<int, QColor> expected[] = {
        {400, QColor(255, 255, 255)}, {415, QColor(0, 0, 255)},   {420, QColor(0, 240, 255)},
        {430, QColor(0, 255, 0)},     {440, QColor(255, 0, 0)},   {460, QColor(255, 0, 255)},
        {480, QColor(255, 0, 0)},     {490, QColor(0, 255, 0)},   {445, QColor(0, 0, 255)},
        {520, QColor(255, 255, 255)}, {580, QColor(255, 0, 255)}, {500, QColor(0, 240, 255)},
    };
    for (auto [x, colour] : expected)
        EXPECT_EQ(at(image, x, 300), colour) << "x " << x;
}

TEST_F(PaintingTest, TextsSitOnWhiteAndValuesAreBlue) {
    const QImage image = screen();
    // The section headings' underlines.
    EXPECT_EQ(at(image, 5, 33), black);
    EXPECT_EQ(at(image, 149, 33), black);
    EXPECT_NE(at(image, 150, 33), black);
    EXPECT_EQ(at(image, 400, 33), black);
    EXPECT_EQ(at(image, 534, 33), black);
    EXPECT_NE(at(image, 535, 33), black);
    // The blank wave name is 24 spaces on an opaque white background.
    EXPECT_EQ(at(image, 112, 42), QColor(255, 255, 255));
    // A value (the oscillator count at 80, 165) is drawn in blue.
    bool blue = false;
    for (int y = 165; y < 180; ++y)
        for (int x = 80; x < 90; ++x)
            blue = blue || at(image, x, y) == QColor(0, 0, 255);
    EXPECT_TRUE(blue);
}

TEST_F(PaintingTest, ClientAreaHasTheWindowColourSoTextBackgroundsBlendIn) {
    const QImage image = screen();
    EXPECT_EQ(at(image, 380, 650), QColor(255, 255, 255));
    EXPECT_EQ(at(image, 380, 650), client()->palette().color(QPalette::Base));
}

TEST_F(PaintingTest, TempoPageAndValuesFollowTheState) {
    // Compare painted text areas against a window whose state says the same in another way:
    // the tempo 80 shows as "080", and the page moved forward shows different digits.
    const QImage start = screen();
    for (int i = 0; i < 4; ++i)
        clickButton(client(), 94);
    const QImage slow = screen();
    const QRect tempo(465, 66, 30, 14);
    EXPECT_NE(start.copy(tempo), slow.copy(tempo));
    clickButton(client(), 83);
    const QRect page(633, 539, 20, 14);
    EXPECT_NE(slow.copy(page), screen().copy(page));

    // The AMP attack length's first label "0.02" is cut to "0.0": it looks like the degree "0.0".
    state().settings.select(Param::ampAttackLength, 0);
    const QImage image = screen();
    EXPECT_EQ(image.copy(120, 315, 30, 14), image.copy(120, 425, 30, 14));
}

} // namespace
} // namespace vorel::test
