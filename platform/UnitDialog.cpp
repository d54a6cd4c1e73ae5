#include "platform/UnitDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

namespace vorel {

namespace {

constexpr int iconPixels = 32;
// The list of a drop-down box shows this many items before it scrolls.
constexpr int visibleItems = 8;
// Kept between a text and the right edge where the text widens the dialog, in units.
constexpr int edgeMargin = 7;
// OK and Cancel, in units.
constexpr int buttonWidth = 50;
constexpr int buttonHeight = 14;

} // namespace

QFont dialogFont(int pointSize) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(pointSize);
    return font;
}

UnitDialog::UnitDialog(QWidget* parent, int id, const QString& title, QSize size, const QFont& font)
    : QDialog(parent), units_(font) {
    setObjectName(QString::number(id));
    setWindowTitle(title);
    setFont(font);
    setModal(true);
    setFixedSize(units_.toPixels(size.width(), size.height()));
}

void UnitDialog::reject() {
    done(cancelId);
}

void UnitDialog::showEvent(QShowEvent* event) {
    if (!roomMade_) {
        makeRoomForTexts();
        roomMade_ = true;
    }
    QDialog::showEvent(event);
}

void UnitDialog::makeRoomForTexts() {
    const int gap = units_.toPixels(textGap, 0).width();
    const QList<QWidget*> controls = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    // In the order the texts were added, so a text that moves is moved before it is looked at.
    for (const QLabel* text : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (text->text().isEmpty())
            continue; // an icon
        const QRect reach = text->geometry().adjusted(0, 0, gap, 0);
        for (const QWidget* reached : controls) {
            if (reached == text || reached->x() <= text->x() ||
                !reached->geometry().intersects(reach))
                continue;
            const int column = reached->x();
            const int shift = reach.right() + 1 - column;
            for (QWidget* control : controls)
                if (control->x() >= column)
                    control->move(control->x() + shift, control->y());
        }
    }
    int right = 0;
    for (const QWidget* control : controls)
        right = std::max(right, control->geometry().right());
    const int margin = units_.toPixels(edgeMargin, 0).width();
    if (right + margin >= width())
        setFixedWidth(right + 1 + margin);
}

QLabel* UnitDialog::addText(const QString& text, QRect place, int id, Grow grow) {
    auto* label = new QLabel(text, this);
    if (id != 0)
        label->setObjectName(QString::number(id));
    QRect rect = units_.toPixels(place.x(), place.y(), place.width(), place.height());
    const QSize needed = label->sizeHint();
    if (needed.width() > rect.width()) {
        if (grow == Grow::left)
            rect.moveLeft(std::max(0, rect.right() + 1 - needed.width()));
        rect.setWidth(needed.width());
    }
    rect.setHeight(std::max(rect.height(), needed.height()));
    label->setGeometry(rect);
    // A text that grew past the right edge widens the dialog rather than being cut.
    if (rect.right() >= width())
        setFixedWidth(rect.right() + 1 + units_.toPixels(edgeMargin, 0).width());
    return label;
}

QPushButton* UnitDialog::addButton(const QString& text, int id, QRect place, ButtonLook look) {
    QPushButton* button = look == ButtonLook::framedAsDefault ? new DefaultFramedButton(text, this)
                                                              : new QPushButton(text, this);
    button->setObjectName(QString::number(id));
    button->setDefault(look == ButtonLook::defaultButton);
    units_.place(button, place.x(), place.y(), place.width(), place.height());
    connect(button, &QPushButton::clicked, this, [this, id] { done(id); });
    return button;
}

void UnitDialog::addOkCancel(int okX, int cancelX, int y) {
    addButton(QStringLiteral("OK"), okId, {okX, y, buttonWidth, buttonHeight},
              ButtonLook::defaultButton);
    addButton(QStringLiteral("Cancel"), cancelId, {cancelX, y, buttonWidth, buttonHeight});
}

QComboBox* UnitDialog::addChoiceBox(int id, int x, int y, int width, const QStringList& labels) {
    auto* box = new QComboBox(this);
    box->setObjectName(QString::number(id));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCompleter(nullptr);
    box->setMaxVisibleItems(visibleItems);
    box->addItems(labels);
    const QRect rect = units_.toPixels(x, y, width, 0);
    box->setGeometry(rect.x(), rect.y(), rect.width(), box->sizeHint().height());
    return box;
}

QCheckBox* UnitDialog::addCheck(int id, QRect place) {
    auto* check = new QCheckBox(this);
    check->setObjectName(QString::number(id));
    units_.place(check, place.x(), place.y(), place.width(), place.height());
    return check;
}

QLineEdit* UnitDialog::addEdit(int id, QRect place, const QString& pattern) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::number(id));
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
    units_.place(edit, place.x(), place.y(), place.width(), place.height());
    return edit;
}

QLabel* UnitDialog::addIcon(const QIcon& icon, int x, int y) {
    auto* label = new QLabel(this);
    label->setPixmap(icon.pixmap(iconPixels, iconPixels));
    const QRect rect = units_.toPixels(x, y, 0, 0);
    label->setGeometry(rect.x(), rect.y(), iconPixels, iconPixels);
    return label;
}

void DefaultFramedButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.features |= QStyleOptionButton::DefaultButton;
    painter.drawControl(QStyle::CE_PushButton, option);
}

int chosenIndex(const QComboBox* box) {
    const QString text = box->lineEdit() ? box->lineEdit()->text() : box->currentText();
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i) == text)
            return i;
    return -1;
}

void selectLabel(QComboBox* box, const QString& label) {
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i) == label) {
            box->setCurrentIndex(i);
            return;
        }
    }
    box->setCurrentIndex(-1);
}

} // namespace vorel
