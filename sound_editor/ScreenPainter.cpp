#include "sound_editor/ScreenPainter.h"

#include "platform/Latin1.h"
#include "sound_editor/EditorState.h"

#include <QFontMetrics>
#include <QPainter>

#include <array>
#include <string_view>

namespace vorel::sound {
namespace {

const QColor textBackground(255, 255, 255);
const QColor valueColour(0, 0, 255);
const QColor gridBackground(0, 0, 0);
const QColor naturalBand(64, 64, 64);
const QColor noteBar(0, 255, 0);

// Line colours by Division (quarter .. thirtySecond).
const std::array<QColor, divisionCount> divisionColours{QColor(255, 255, 255), QColor(255, 0, 255),
                                                        QColor(255, 0, 0),     QColor(0, 255, 0),
                                                        QColor(0, 240, 255),   QColor(0, 0, 255)};
// Drawn from the finest division to the coarsest, so a coarser line covers a finer one.
constexpr std::array<Division, divisionCount> divisionDrawOrder{
    Division::thirtySecond, Division::twentyFourth, Division::sixteenth,
    Division::twelfth,      Division::eighth,       Division::quarter};

// A note bar is the last 2 pixel rows of its key's row. A key's band sits 2 pixels lower than
// the row, so the bar lies in the band's middle; the top band (key 72) instead starts at the
// grid's top and is one pixel taller, leaving one black row above the band of key 71.
constexpr int noteBarHeight = 2;
constexpr int bandDrop = 2;
constexpr int topBandHeight = grid::keyHeight + 1;

// The section headings are underlined on this pixel row.
constexpr int underlineRow = 33;

struct Caption {
    int x;
    int y;
    const char* text;
    int underlineFrom = 0; // a section heading is underlined from here ...
    int underlineTo = 0;   // ... to just before here
};

// The fixed texts, in drawing order.
constexpr Caption captions[] = {
    {10, 10, "Synthesizer section.", 5, 150},
    {20, 40, "Wave name:"},
    {20, 66, "Name of settings:"},
    {10, 143, "Pitch:"},
    {20, 165, "OSC(s):"},
    {20, 185, "Detune:"},
    {92, 185, "(Hz)"},
    {133, 165, "Pitch of attack:"},
    {133, 185, "Length of attack:"},
    {280, 185, "(sec)"},
    {25, 205, "LFO->"},
    {70, 205, "Frq:"},
    {120, 205, "(Hz), Amp;"},
    {225, 205, ", Delay:"},
    {305, 205, "(sec)"},
    {10, 255, "Amplitude:"},
    {120, 275, "A:"},
    {180, 275, "D:"},
    {240, 275, "S:"},
    {300, 275, "R:"},
    {10, 295, "Volume:"},
    {10, 315, "Length(sec):"},
    {25, 335, "LFO->"},
    {70, 335, "Frq:"},
    {120, 335, "(Hz), Amp;"},
    {225, 335, ", Delay:"},
    {305, 335, "(sec)"},
    {10, 385, "LPF:"},
    {120, 405, "A:"},
    {180, 405, "D:"},
    {240, 405, "S:"},
    {300, 405, "R:"},
    {10, 425, "Degree:"},
    {10, 445, "Length(sec):"},
    {25, 465, "LFO->"},
    {70, 465, "Frq:"},
    {120, 465, "(Hz), Amp;"},
    {225, 465, ", Delay:"},
    {305, 465, "(sec)"},
    {400, 10, "Sequencer section.", 400, 535},
    {410, 40, "Sequence name:"},
    {410, 66, "Tempo:"},
};

// A parameter value (or a "-" where a section has no parameter) and how many characters of its
// label are shown.
struct ValueField {
    int x;
    int y;
    int param; // parameter number, 0 for the "-" placeholder
    int characters;
};

constexpr ValueField valueFields[] = {
    {80, 165, 1, 1},   {80, 185, 2, 1},   {248, 165, 3, 3},  {258, 185, 4, 3},  {100, 205, 5, 3},
    {195, 205, 6, 4},  {280, 205, 7, 3},  {120, 295, 8, 3},  {180, 295, 10, 3}, {240, 295, 12, 3},
    {300, 295, 0, 1},  {120, 315, 9, 3},  {180, 315, 11, 3}, {240, 315, 0, 1},  {300, 315, 13, 3},
    {100, 335, 14, 3}, {200, 335, 15, 3}, {280, 335, 16, 3}, {120, 425, 17, 3}, {180, 425, 19, 3},
    {240, 425, 21, 3}, {300, 425, 0, 1},  {120, 445, 18, 3}, {180, 445, 20, 3}, {240, 445, 0, 1},
    {300, 445, 22, 3}, {100, 465, 23, 3}, {200, 465, 24, 3}, {280, 465, 25, 3},
};

// Text with its top-left corner at (x, y) on an opaque white background.
void drawText(QPainter& painter, int x, int y, const QString& text) {
    const QFontMetrics metrics(painter.font());
    painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()),
                     textBackground);
    painter.drawText(x, y + metrics.ascent(), text);
}

QString fromName(const DisplayName& name) {
    return latin1({name.data(), name.size()});
}

QString digits(int value, int count) {
    QString text;
    for (int place = count - 1; place >= 0; --place) {
        int divisor = 1;
        for (int i = 0; i < place; ++i)
            divisor *= 10;
        text += QChar(u'0' + (value / divisor) % 10);
    }
    return text;
}

bool isNatural(int key) {
    return keyNames[static_cast<std::size_t>(key)].find('#') == std::string_view::npos;
}

void paintGrid(QPainter& painter, const EditorState& state) {
    painter.fillRect(grid::left, grid::top, grid::width, grid::height, gridBackground);
    painter.fillRect(grid::left, grid::top, grid::width, topBandHeight, naturalBand);
    for (int key = keyCount - 2; key >= 0; --key)
        if (isNatural(key))
            painter.fillRect(grid::left, grid::rowTop(key) + bandDrop, grid::width, grid::keyHeight,
                             naturalBand);

    for (Division division : divisionDrawOrder) {
        const auto slot = static_cast<std::size_t>(division);
        if (!state.view.divisionLines[slot])
            continue;
        const int spacing = grid::tickWidth * divisionTicks[slot];
        for (int x = grid::left; x < grid::left + grid::width; x += spacing)
            painter.fillRect(x, grid::top, 1, grid::height, divisionColours[slot]);
    }
}

void paintNotes(QPainter& painter, const EditorState& state) {
    const int page = state.view.currentPage;
    for (int tick = 0; tick < ticksPerPage; ++tick)
        for (int key = 0; key < keyCount; ++key)
            if (state.sequence.cell(page, tick, key).mark == 1)
                painter.fillRect(grid::left + grid::tickWidth * tick,
                                 grid::rowTop(key) + grid::keyHeight - noteBarHeight,
                                 grid::tickWidth, noteBarHeight, noteBar);
}

} // namespace

std::optional<GridSpot> gridSpotAt(QPoint point) {
    const int dx = point.x() - grid::left;
    const int dy = point.y() - grid::top;
    if (dx < 0 || dx >= grid::width || dy < 0 || dy >= grid::height)
        return std::nullopt;
    return GridSpot{dx / grid::tickWidth, keyCount - 1 - dy / grid::keyHeight};
}

QFont screenFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    return font;
}

void paintScreen(QPainter& painter, const EditorState& state) {
    painter.setFont(screenFont());
    painter.setPen(Qt::black);
    for (const Caption& caption : captions) {
        drawText(painter, caption.x, caption.y, QString::fromLatin1(caption.text));
        if (caption.underlineTo > caption.underlineFrom)
            painter.fillRect(caption.underlineFrom, underlineRow,
                             caption.underlineTo - caption.underlineFrom, 1, Qt::black);
    }

    drawText(painter, 110, 40, fromName(state.waveName));
    drawText(painter, 150, 66, fromName(state.settingsName));
    drawText(painter, 530, 40, fromName(state.sequence.sequenceName));
    drawText(painter, 465, 66, digits(state.sequence.tempo, 3));
    drawText(painter, 633, 539, digits(state.view.currentPage + 1, 2));

    paintGrid(painter, state);

    painter.setPen(valueColour);
    for (const ValueField& field : valueFields) {
        if (field.param == 0) {
            drawText(painter, field.x, field.y, QStringLiteral("-"));
            continue;
        }
        const std::string_view label = state.settings.label(paramFromNumber(field.param));
        drawText(painter, field.x, field.y,
                 latin1(label.substr(0, static_cast<std::size_t>(field.characters))));
    }

    paintNotes(painter, state);
}

} // namespace vorel::sound
