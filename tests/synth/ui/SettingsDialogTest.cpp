#include "synth/ui/SettingsDialog.h"

#include "support/DialogDriving.h"

#include <gtest/gtest.h>

#include <QComboBox>

namespace vorel::test {
namespace {

QString shown(QDialog* dialog, int id) {
    return child<QComboBox>(dialog, id)->currentText();
}

TEST(SettingsDialogTest, BoxesShowTheCurrentLabelsAtStart) {
    SoundSettings settings;
    SettingsDialog pitch(nullptr, SettingsPage::pitch, settings);
    EXPECT_EQ(pitch.windowTitle(), "Settings of pitch");
    QStringList labels;
    for (int id = 1000; id <= 1006; ++id)
        labels << shown(&pitch, id);
    EXPECT_EQ(labels, QStringList({"2", "4", " 0 ", "0.1", "0.5", " 0.0", "2.0"}));

    SettingsDialog lpf(nullptr, SettingsPage::lpf, settings);
    EXPECT_EQ(lpf.windowTitle(), "Settings of LPF");
    labels.clear();
    for (int id = 1016; id <= 1024; ++id)
        labels << shown(&lpf, id);
    EXPECT_EQ(labels,
              QStringList({"0.0", "0.0", "0.0", "0.02", "0.02", "0.02", "0.5", "0.0", "2.0"}));

    SettingsDialog amp(nullptr, SettingsPage::amp, settings);
    EXPECT_EQ(amp.windowTitle(), "Settings of AMP");
    EXPECT_EQ(shown(&amp, 1007), "1.0");
    EXPECT_EQ(shown(&amp, 1008), "0.1");
}

TEST(SettingsDialogTest, BoxesOfferTheParametersChoicesInListOrder) {
    SoundSettings settings;
    SettingsDialog lpf(nullptr, SettingsPage::lpf, settings);
    EXPECT_EQ(child<QComboBox>(&lpf, 1021)->count(), 32);
    EXPECT_EQ(child<QComboBox>(&lpf, 1021)->itemText(31), "inf");
    EXPECT_EQ(child<QComboBox>(&lpf, 1019)->count(), 31);
    EXPECT_EQ(child<QComboBox>(&lpf, 1023)->count(), 11); // LFO amplitude stops at "1.0"
    EXPECT_EQ(child<QComboBox>(&lpf, 1023)->itemText(10), "1.0");
    EXPECT_EQ(child<QComboBox>(&lpf, 1016)->count(), 21);
    SettingsDialog pitch(nullptr, SettingsPage::pitch, settings);
    EXPECT_EQ(child<QComboBox>(&pitch, 1002)->count(), 49);
    EXPECT_EQ(child<QComboBox>(&pitch, 1005)->count(), 21);
    EXPECT_EQ(child<QComboBox>(&pitch, 1005)->itemText(20), "10.0");
}

TEST(SettingsDialogTest, OkStoresEveryBoxAndTypedLabelsCount) {
    SoundSettings settings;
    onNextDialog([](QDialog* lpf) {
        child<QComboBox>(lpf, 1021)->setCurrentIndex(31); // "inf"
        typeInto(child<QComboBox>(lpf, 1016), "1.5");     // a label typed in full
        typeInto(child<QComboBox>(lpf, 1017), "1.55");    // no such label: the old value stays
        typeInto(child<QComboBox>(lpf, 1022), "");
        clickButton(lpf, 1);
        EXPECT_EQ(lpf->result(), 1);
    });
    const auto choices = SettingsDialog::ask(nullptr, SettingsPage::lpf, settings);
    ASSERT_TRUE(choices);
    settings.store(*choices);
    EXPECT_EQ(settings.index(Param::lpfReleaseLength), 31);
    EXPECT_EQ(settings.value(Param::lpfReleaseLength), 5.0);
    EXPECT_EQ(settings.index(Param::lpfAttackDegree), 15);
    EXPECT_EQ(settings.value(Param::lpfAttackDegree), 1.5);
    EXPECT_EQ(settings.index(Param::lpfDecayDegree), 0);
    EXPECT_EQ(settings.index(Param::lpfLfoFrequency), 0);
    // Only this dialog's parameters changed.
    SoundSettings expected;
    expected.select(Param::lpfReleaseLength, 31);
    expected.select(Param::lpfAttackDegree, 15);
    EXPECT_EQ(settings, expected);
}

TEST(SettingsDialogTest, CancelEscapeAndTheCloseBoxChangeNothing) {
    SoundSettings settings;
    const std::function<void(QDialog*)> closers[] = {
        [](QDialog* dialog) { clickButton(dialog, 2); },
        [](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); },
        [](QDialog* dialog) { dialog->close(); },
    };
    for (const auto& close : closers) {
        onNextDialog([&close](QDialog* pitch) {
            child<QComboBox>(pitch, 1000)->setCurrentIndex(2);
            typeInto(child<QComboBox>(pitch, 1002), "+12");
            close(pitch);
            EXPECT_EQ(pitch->result(), 2);
        });
        EXPECT_FALSE(SettingsDialog::ask(nullptr, SettingsPage::pitch, settings));
        EXPECT_EQ(settings, SoundSettings());
    }
}

} // namespace
} // namespace vorel::test
