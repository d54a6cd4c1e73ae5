#include "wave_editor/WaveEditorModel.h"

#include "common/Conversion.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorel::wave {

const std::array<Choice, 11> stepList{{{"0", 0.0},
                                       {"1", 1.0},
                                       {"2", 2.0},
                                       {"3", 3.0},
                                       {"4", 4.0},
                                       {"5", 5.0},
                                       {"6", 6.0},
                                       {"7", 7.0},
                                       {"8", 8.0},
                                       {"9", 9.0},
                                       {"10", 10.0}}};

const std::array<Choice, 20> exponentList{
    {{"-1.0", -1.0}, {"-0.9", -0.9}, {"-0.8", -0.8}, {"-0.7", -0.7}, {"-0.6", -0.6},
     {"-0.5", -0.5}, {"-0.4", -0.4}, {"-0.3", -0.3}, {"-0.2", -0.2}, {"-0.1", -0.1},
     {"0.1", 0.1},   {"0.2", 0.2},   {"0.3", 0.3},   {"0.4", 0.4},   {"0.5", 0.5},
     {"0.6", 0.6},   {"0.7", 0.7},   {"0.8", 0.8},   {"0.9", 0.9},   {"1.0", 1.0}}};

const std::array<Choice, 21> dutyList{
    {{"0.0125", 0.0125}, {"0.025", 0.025}, {"0.05", 0.05},   {"0.075", 0.075}, {"0.1", 0.1},
     {"0.125", 0.125},   {"0.15", 0.15},   {"0.175", 0.175}, {"0.2", 0.2},     {"0.225", 0.225},
     {"0.25", 0.25},     {"0.275", 0.275}, {"0.3", 0.3},     {"0.325", 0.325}, {"0.35", 0.35},
     {"0.375", 0.375},   {"0.4", 0.4},     {"0.425", 0.425}, {"0.45", 0.45},   {"0.475", 0.475},
     {"0.5", 0.5}}};

namespace {

constexpr double step = 0.1; // what "+UP", "-DWN", "*UP" and "/DWN" add or take away
// Overtones 1 .. overtoneCount: the cursor wraps around them, a series runs through them.
constexpr int overtoneCount = static_cast<int>(harmonicCount);
constexpr double pi = 3.141592654;
constexpr double reciprocal32767Times1e5 = 3.051850947599719; // 100000 / 32767

// Decimal weights of the typed digits after "+0.".
constexpr std::array<double, 9> digitWeights{0.1,   0.01,  0.001, 0.0001, 1e-05,
                                             1e-06, 1e-07, 1e-08, 1e-09};
// The edit box hands over at most this many characters.
constexpr std::size_t inputCharacters = 7;

double finiteOf(double c) {
    if (std::isnan(c))
        return 0.0;
    if (std::isinf(c))
        return c > 0 ? std::numeric_limits<double>::max() : std::numeric_limits<double>::lowest();
    return c;
}

} // namespace

template <typename Edit> void WaveEditorModel::forEachSelected(Edit edit) {
    for (std::size_t k = 0; k < harmonicCount; ++k)
        if (selection_[k] == 1)
            edit(wave_[k], static_cast<int>(k) + 1);
}

void WaveEditorModel::keepFinite() {
    for (double& c : wave_)
        c = finiteOf(c);
}

void WaveEditorModel::moveCursor(int delta) {
    int next = currentOvertone_ + delta;
    if (next < 1)
        next += overtoneCount;
    else if (next > overtoneCount)
        next -= overtoneCount;
    currentOvertone_ = next;
}

void WaveEditorModel::raise() {
    forEachSelected([](double& c, int) {
        c = c + step;
        if (c > 1.0)
            c = 1.0;
    });
    keepFinite();
    pushSnapshot();
}

void WaveEditorModel::lower() {
    forEachSelected([](double& c, int) {
        c = c - step;
        if (c < -1.0)
            c = -1.0;
    });
    keepFinite();
    pushSnapshot();
}

void WaveEditorModel::scaleUp() {
    double largest = 0.0;
    forEachSelected([&largest](double& c, int) { largest = std::max(largest, std::fabs(c)); });
    if (largest != 0.0) {
        double factor = std::min(1.0, largest + step) / largest;
        forEachSelected([factor](double& c, int) { c = c * factor; });
    }
    keepFinite();
    pushSnapshot();
}

void WaveEditorModel::scaleDown() {
    double largest = 0.0;
    forEachSelected([&largest](double& c, int) { largest = std::max(largest, std::fabs(c)); });
    if (largest != 0.0) {
        double factor = std::max(0.0, (largest - step) / largest);
        forEachSelected([factor](double& c, int) { c = c * factor; });
    }
    keepFinite();
    pushSnapshot();
}

void WaveEditorModel::setZero() {
    forEachSelected([](double& c, int) { c = 0.0; });
    pushSnapshot();
}

void WaveEditorModel::setOne() {
    forEachSelected([](double& c, int) { c = 1.0; });
    pushSnapshot();
}

void WaveEditorModel::invert() {
    forEachSelected([](double& c, int) { c = c * -1; });
    pushSnapshot();
}

void WaveEditorModel::randomize() {
    forEachSelected([this](double& c, int) {
        double random = random_.next();
        c = ((c * random) * reciprocal32767Times1e5) / 100000;
        if (c > 1.0)
            c = 1.0;
        else if (c < -1.0)
            c = -1.0;
    });
    keepFinite();
    pushSnapshot();
}

void WaveEditorModel::reset() {
    wave_.fill(0.0);
    pushSnapshot();
}

void WaveEditorModel::applyPowerLaw(const std::optional<PowerLawChoice>& choice) {
    if (choice) {
        if (choice->exponent) {
            double exponent = *choice->exponent;
            forEachSelected([exponent](double& c, int n) {
                c = c / std::pow(static_cast<double>(n), exponent);
            });
        }
        if (choice->duty) {
            double duty = *choice->duty;
            forEachSelected([duty](double& c, int n) { c = std::sin((n * pi) * duty) * c; });
        }
        keepFinite();
    }
    pushSnapshot();
}

void WaveEditorModel::applyInput(const std::optional<std::u16string>& text) {
    if (text) {
        double& c = wave_[static_cast<std::size_t>(currentOvertone_ - 1)];
        c = 0.0;
        std::size_t length = std::min(text->size(), inputCharacters);
        for (std::size_t k = 0; k < length; ++k) {
            char16_t ch = (*text)[k];
            int digit;
            if (ch >= u'0' && ch <= u'9')
                digit = ch - u'0';
            else if (ch >= u'\uFF10' && ch <= u'\uFF19') // full-width digits
                digit = ch - u'\uFF10';
            else
                break;
            c = c + digitWeights[k] * digit;
        }
    }
    pushSnapshot();
}

void WaveEditorModel::toggleSelection(int index) {
    auto& flag = selection_[static_cast<std::size_t>(index)];
    flag = flag == 1 ? 0 : 1;
}

void WaveEditorModel::selectSeries(double factor, double offset, bool select) {
    // The series has at most overtoneCount + 1 terms, whatever the factor.
    for (int i = 0; i <= overtoneCount; ++i) {
        double index = ((i * factor) + offset) - 1;
        if (index >= overtoneCount)
            break;
        if (index >= 0)
            selection_[static_cast<std::size_t>(truncateTo<int>(index))] = select ? 1 : 0;
    }
}

void WaveEditorModel::selectAll() {
    selection_.fill(1);
}
void WaveEditorModel::deselectAll() {
    selection_.fill(0);
}

void WaveEditorModel::storeSelection() {
    for (std::size_t k = 0; k < harmonicCount; ++k)
        memory_[k] = selection_[k] != 0 ? 1 : 0;
}

void WaveEditorModel::recallSelection() {
    for (std::size_t k = 0; k < harmonicCount; ++k)
        selection_[k] = memory_[k] == 1 ? 1 : 0;
}

void WaveEditorModel::toggleCosineView() {
    cosineView_ = !cosineView_;
}

void WaveEditorModel::loadWave(const WaveData& wave) {
    wave_ = wave;
    keepFinite();
    pushSnapshot();
}

void WaveEditorModel::pushSnapshot() {
    historyIndex_ = historyIndex_ + 1 > historySize - 1 ? 0 : historyIndex_ + 1;
    history_[static_cast<std::size_t>(historyIndex_)] = wave_;
}

void WaveEditorModel::stepBack() {
    historyIndex_ = historyIndex_ - 1 < 0 ? historySize - 1 : historyIndex_ - 1;
    wave_ = history_[static_cast<std::size_t>(historyIndex_)];
}

void WaveEditorModel::stepForward() {
    historyIndex_ = historyIndex_ + 1 > historySize - 1 ? 0 : historyIndex_ + 1;
    wave_ = history_[static_cast<std::size_t>(historyIndex_)];
}

} // namespace vorel::wave
