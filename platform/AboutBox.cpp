#include "platform/AboutBox.h"

namespace vorel {

AboutBox::AboutBox(QWidget* parent, const AboutTexts& texts, const QIcon& icon, const QFont& font)
    : UnitDialog(parent, texts.id, QStringLiteral("Version info."), {170, 62}, font) {
    addIcon(icon, 14, 14);
    addText(texts.name, {42, 14, 114, 8});
    addText(texts.subtitle, {42, 26, 114, 8});
    addButton(QStringLiteral("OK"), okId, {113, 41, 50, 14}, ButtonLook::defaultButton);
}

} // namespace vorel
