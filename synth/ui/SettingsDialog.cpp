#include "synth/ui/SettingsDialog.h"

#include "platform/Latin1.h"

#include <QComboBox>

#include <span>

namespace vorel {
namespace {

struct Label {
    const char* text;
    int x;
    int y;
};

// A parameter's box: control id and position in dialog units (every box is boxWidth wide).
struct BoxPlace {
    int id;
    int x;
    int y;
    Param param;
};

struct Layout {
    const char* title;
    int width;
    int height;
    std::span<const Label> labels;
    std::span<const BoxPlace> boxes;
    int okX, cancelX, buttonsY; // OK and Cancel share one row
};

constexpr int boxWidth = 48;

constexpr Label pitchLabels[] = {
    {"Oscilator(s):", 17, 14},
    {"Detune(standard;440Hz):", 17, 45},
    {"Hz", 67, 59},
    {"Pitch of attack:", 124, 14},
    {"Length of attack:", 123, 45},
    {"(LFO:)", 7, 77},
    {"Frequency(Hz):", 17, 87},
    {"Amplitude:", 90, 87},
    {"Delay(sec):", 17, 118},
};
constexpr BoxPlace pitchBoxes[] = {
    {1000, 17, 25, Param::oscillatorCount},   {1001, 17, 55, Param::detune},
    {1002, 128, 24, Param::attackPitch},      {1003, 128, 56, Param::attackPitchLength},
    {1004, 17, 98, Param::pitchLfoFrequency}, {1005, 91, 98, Param::pitchLfoAmplitude},
    {1006, 17, 128, Param::pitchLfoDelay},
};

// The AMP and LPF dialogs share one envelope layout; only the level row's name differs.
constexpr Label ampLabels[] = {
    {"Attack(A)", 70, 26},    {"Decay(D)", 125, 26},
    {"Sustain(S)", 182, 26},  {"Release(R)", 241, 26},
    {"Volume:", 23, 43},      {"Length(sec):", 7, 81},
    {"-", 199, 83},           {"-", 257, 45},
    {"(LFO:)", 21, 126},      {"Frequency(Hz):", 59, 119},
    {"Amplitude:", 124, 119}, {"Delay(sec):", 189, 118},
};
constexpr Label lpfLabels[] = {
    {"Attack(A)", 70, 26},    {"Decay(D)", 125, 26},
    {"Sustain(S)", 182, 26},  {"Release(R)", 241, 26},
    {"Degree:", 23, 43},      {"Length(sec):", 7, 81},
    {"-", 199, 83},           {"-", 257, 45},
    {"(LFO:)", 21, 126},      {"Frequency(Hz):", 59, 119},
    {"Amplitude:", 124, 119}, {"Delay(sec):", 189, 118},
};
constexpr BoxPlace ampBoxes[] = {
    {1007, 59, 41, Param::ampAttackLevel},   {1009, 118, 41, Param::ampDecayLevel},
    {1011, 176, 41, Param::ampSustainLevel}, {1008, 59, 80, Param::ampAttackLength},
    {1010, 118, 80, Param::ampDecayLength},  {1012, 239, 81, Param::ampReleaseLength},
    {1013, 57, 130, Param::ampLfoFrequency}, {1014, 123, 129, Param::ampLfoAmplitude},
    {1015, 189, 129, Param::ampLfoDelay},
};
constexpr BoxPlace lpfBoxes[] = {
    {1016, 59, 41, Param::lpfAttackDegree},   {1017, 118, 41, Param::lpfDecayDegree},
    {1018, 176, 41, Param::lpfSustainDegree}, {1019, 59, 80, Param::lpfAttackLength},
    {1020, 118, 80, Param::lpfDecayLength},   {1021, 239, 81, Param::lpfReleaseLength},
    {1022, 57, 130, Param::lpfLfoFrequency},  {1023, 123, 129, Param::lpfLfoAmplitude},
    {1024, 189, 129, Param::lpfLfoDelay},
};

Layout layoutOf(SettingsPage page) {
    switch (page) {
    case SettingsPage::pitch:
        return {"Settings of pitch", 195, 176, pitchLabels, pitchBoxes, 35, 109, 155};
    case SettingsPage::amp:
        return {"Settings of AMP", 309, 174, ampLabels, ampBoxes, 198, 252, 153};
    case SettingsPage::lpf:
        break;
    }
    return {"Settings of LPF", 309, 176, lpfLabels, lpfBoxes, 198, 252, 153};
}

// The box offers the parameter's choices: the first `choices` labels of its list.
QStringList choiceLabels(Param param) {
    const ParameterInfo& info = parameterInfo(param);
    QStringList labels;
    for (int i = 0; i < info.choices; ++i)
        labels << latin1(info.list->labels[static_cast<std::size_t>(i)]);
    return labels;
}

} // namespace

SettingsDialog::SettingsDialog(QWidget* parent, SettingsPage page, const SoundSettings& settings)
    : UnitDialog(parent, static_cast<int>(page), QString::fromLatin1(layoutOf(page).title),
                 {layoutOf(page).width, layoutOf(page).height}) {
    const Layout layout = layoutOf(page);
    if (page != SettingsPage::pitch)
        addText(QString(), {7, 39, 8, 8});
    for (const Label& label : layout.labels)
        addText(QString::fromLatin1(label.text), {label.x, label.y, 0, 8});
    for (const BoxPlace& place : layout.boxes) {
        QComboBox* box =
            addChoiceBox(place.id, place.x, place.y, boxWidth, choiceLabels(place.param));
        selectLabel(box, latin1(settings.label(place.param)));
        boxes_.push_back({box, place.param});
    }
    addOkCancel(layout.okX, layout.cancelX, layout.buttonsY);
}

std::vector<ParamChoice> SettingsDialog::choices() const {
    std::vector<ParamChoice> choices;
    for (const Box& entry : boxes_)
        choices.push_back({entry.param, chosenIndex(entry.box)});
    return choices;
}

std::optional<std::vector<ParamChoice>> SettingsDialog::ask(QWidget* parent, SettingsPage page,
                                                            const SoundSettings& settings) {
    SettingsDialog dialog(parent, page, settings);
    if (dialog.exec() != okId)
        return std::nullopt;
    return dialog.choices();
}

} // namespace vorel
