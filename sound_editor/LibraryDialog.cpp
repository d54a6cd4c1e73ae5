#include "sound_editor/LibraryDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vorel::sound {
namespace {

constexpr int indexRole = Qt::UserRole; // an instrument's position in the library

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

LibraryDialog::LibraryDialog(Library library, QWidget* parent)
    : QDialog(parent), library_(std::move(library)), search_(new QLineEdit(this)),
      list_(new QTreeWidget(this)), problems_(new QLabel(this)),
      listen_(new QPushButton(QStringLiteral("Listen"), this)),
      load_(new QPushButton(QStringLiteral("Load"), this)),
      loadWithSong_(new QPushButton(QStringLiteral("Load with song"), this)) {
    setWindowTitle(QStringLiteral("Library"));
    search_->setPlaceholderText(QStringLiteral("Search"));
    search_->setClearButtonEnabled(true);
    list_->setHeaderLabels({QStringLiteral("Instrument"), QStringLiteral("Description")});
    list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    problems_->setWordWrap(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {listen_, load_, loadWithSong_, close}) {
        button->setAutoDefault(false); // Return on the list listens, it loads nothing
        buttons->addWidget(button);
    }
    list_->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(search_);
    layout->addWidget(list_, 1);
    layout->addWidget(problems_);
    layout->addLayout(buttons);
    resize(640, 480);

    connect(search_, &QLineEdit::textChanged, this, &LibraryDialog::narrow);
    connect(list_, &QTreeWidget::currentItemChanged, this, &LibraryDialog::updateButtons);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &LibraryDialog::listen);
    connect(listen_, &QPushButton::clicked, this, &LibraryDialog::listen);
    connect(load_, &QPushButton::clicked, this, [this] { choose(Action::load); });
    connect(loadWithSong_, &QPushButton::clicked, this, [this] { choose(Action::loadWithSong); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    fill();
}

void LibraryDialog::fill() {
    for (const std::string& category : library_.categories()) {
        auto* group = new QTreeWidgetItem(list_, {fromUtf8(category)});
        group->setFlags(Qt::ItemIsEnabled);
        for (std::size_t i = 0; i < library_.instruments.size(); ++i) {
            const LibraryInstrument& instrument = library_.instruments[i];
            if (instrument.category != category)
                continue;
            QString name = fromUtf8(instrument.name);
            if (instrument.own)
                name += QStringLiteral(" (yours)");
            auto* item = new QTreeWidgetItem(group, {name, fromUtf8(instrument.description)});
            item->setData(0, indexRole, static_cast<int>(i));
        }
    }
    list_->expandAll();
    QStringList lines;
    for (const std::string& problem : library_.problems)
        lines << fromUtf8(problem);
    problems_->setText(lines.join(QLatin1Char('\n')));
    problems_->setVisible(!lines.isEmpty());
    updateButtons();
}

void LibraryDialog::narrow(const QString& text) {
    const QString wanted = text.trimmed();
    for (int g = 0; g < list_->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = list_->topLevelItem(g);
        const bool wholeGroup = group->text(0).contains(wanted, Qt::CaseInsensitive);
        int shown = 0;
        for (int i = 0; i < group->childCount(); ++i) {
            QTreeWidgetItem* item = group->child(i);
            const bool match = wholeGroup || item->text(0).contains(wanted, Qt::CaseInsensitive) ||
                               item->text(1).contains(wanted, Qt::CaseInsensitive);
            item->setHidden(!match);
            shown += match ? 1 : 0;
        }
        group->setHidden(shown == 0);
    }
    if (QTreeWidgetItem* current = list_->currentItem(); current && current->isHidden())
        list_->setCurrentItem(nullptr);
    updateButtons();
}

int LibraryDialog::shownInstruments() const {
    int shown = 0;
    for (int g = 0; g < list_->topLevelItemCount(); ++g)
        for (int i = 0; i < list_->topLevelItem(g)->childCount(); ++i)
            shown += list_->topLevelItem(g)->child(i)->isHidden() ? 0 : 1;
    return shown;
}

const LibraryInstrument* LibraryDialog::selectedInstrument() const {
    const QTreeWidgetItem* item = list_->currentItem();
    if (!item || !item->data(0, indexRole).isValid())
        return nullptr;
    return &library_.instruments[static_cast<std::size_t>(item->data(0, indexRole).toInt())];
}

const LibrarySong* LibraryDialog::selectedSong() const {
    const LibraryInstrument* instrument = selectedInstrument();
    return instrument ? library_.songFor(instrument->name) : nullptr;
}

void LibraryDialog::updateButtons() {
    const bool chosen = selectedInstrument() != nullptr;
    listen_->setEnabled(chosen);
    load_->setEnabled(chosen);
    loadWithSong_->setEnabled(selectedSong() != nullptr);
}

void LibraryDialog::listen() {
    if (const LibraryInstrument* instrument = selectedInstrument())
        emit listenRequested(*instrument);
}

void LibraryDialog::choose(Action action) {
    const LibraryInstrument* instrument = selectedInstrument();
    if (!instrument || (action == Action::loadWithSong && !selectedSong()))
        return;
    action_ = action;
    emit loadRequested(*instrument, action == Action::loadWithSong);
    accept();
}

bool LibraryDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
            selectedInstrument()) {
            listen();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vorel::sound
