#include "platform/LibraryDialog.h"

#include "platform/KeyboardPlaying.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vorel {
namespace {

constexpr int indexRole = Qt::UserRole; // an entry's position in the list of its kind

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

LibraryDialog::LibraryDialog(Library library, Shows shows, QWidget* parent)
    : QDialog(parent), library_(std::move(library)), shows_(shows), search_(new QLineEdit(this)),
      list_(new QTreeWidget(this)), problems_(new QLabel(this)),
      listen_(new QPushButton(QStringLiteral("Listen"), this)),
      load_(new QPushButton(QStringLiteral("Load"), this)),
      loadWithSong_(new QPushButton(QStringLiteral("Load with song"), this)) {
    const bool waves = shows_ == Shows::waves;
    setWindowTitle(waves ? QStringLiteral("Library of waves") : QStringLiteral("Library"));
    search_->setPlaceholderText(QStringLiteral("Search"));
    search_->setClearButtonEnabled(true);
    list_->setHeaderLabels({waves ? QStringLiteral("Wave") : QStringLiteral("Instrument"),
                            QStringLiteral("Description")});
    list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    problems_->setWordWrap(true);
    auto* keys = new QLabel(QStringLiteral("Listen, Space or Return plays a short phrase; the "
                                           "keyboard's piano keys play its notes."),
                            this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {listen_, load_, loadWithSong_, close}) {
        button->setAutoDefault(false); // Return on the list listens, it loads nothing
        buttons->addWidget(button);
    }
    loadWithSong_->setVisible(!waves);
    list_->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(search_);
    layout->addWidget(list_, 1);
    layout->addWidget(problems_);
    layout->addWidget(keys);
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

LibraryDialog::~LibraryDialog() {
    releaseAll();
}

void LibraryDialog::fill() {
    if (shows_ == Shows::waves) {
        waves_ = library_.waves();
        for (const LibraryWave& wave : waves_)
            entries_.push_back({fromUtf8(wave.name) + (wave.own ? QStringLiteral(" (yours)") : ""),
                                fromUtf8(wave.category), fromUtf8(wave.description)});
    } else {
        for (const LibraryInstrument& instrument : library_.instruments)
            entries_.push_back(
                {fromUtf8(instrument.name) + (instrument.own ? QStringLiteral(" (yours)") : ""),
                 fromUtf8(instrument.category), fromUtf8(instrument.description)});
    }
    std::map<QString, QTreeWidgetItem*> groups; // the categories in the order of their first entry
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        QTreeWidgetItem*& group = groups[entry.category];
        if (group == nullptr) {
            group = new QTreeWidgetItem(list_, {entry.category});
            group->setFlags(Qt::ItemIsEnabled);
        }
        auto* item = new QTreeWidgetItem(group, {entry.name, entry.description});
        item->setData(0, indexRole, static_cast<int>(i));
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

int LibraryDialog::shownEntries() const {
    int shown = 0;
    for (int g = 0; g < list_->topLevelItemCount(); ++g)
        for (int i = 0; i < list_->topLevelItem(g)->childCount(); ++i)
            shown += list_->topLevelItem(g)->child(i)->isHidden() ? 0 : 1;
    return shown;
}

int LibraryDialog::selectedIndex() const {
    const QTreeWidgetItem* item = list_->currentItem();
    return item && item->data(0, indexRole).isValid() ? item->data(0, indexRole).toInt() : -1;
}

const LibraryInstrument* LibraryDialog::selectedInstrument() const {
    const int index = selectedIndex();
    return shows_ == Shows::instruments && index >= 0
               ? &library_.instruments[static_cast<std::size_t>(index)]
               : nullptr;
}

const LibraryWave* LibraryDialog::selectedWave() const {
    const int index = selectedIndex();
    return shows_ == Shows::waves && index >= 0 ? &waves_[static_cast<std::size_t>(index)]
                                                : nullptr;
}

const LibrarySong* LibraryDialog::selectedSong() const {
    const LibraryInstrument* instrument = selectedInstrument();
    return instrument ? library_.songFor(instrument->name) : nullptr;
}

void LibraryDialog::updateButtons() {
    const bool chosen = selectedIndex() >= 0;
    listen_->setEnabled(chosen);
    load_->setEnabled(chosen);
    loadWithSong_->setEnabled(selectedSong() != nullptr);
}

void LibraryDialog::play(int note, int velocity) {
    int& count = sounding_[note];
    if (velocity == 0 && count == 0)
        return;
    count += velocity > 0 ? 1 : -1;
    emit notePlayed(note, velocity);
}

void LibraryDialog::releaseAll() {
    ++phraseNumber_; // the notes of a phrase still to come stay silent
    for (auto& [note, count] : sounding_)
        for (; count > 0; --count)
            emit notePlayed(note, 0);
}

void LibraryDialog::listen() {
    if (selectedIndex() < 0)
        return;
    releaseAll();
    emit auditionRequested();
    const unsigned number = phraseNumber_;
    for (std::size_t i = 0; i < phrase.size(); ++i) {
        const int note = phrase[i];
        const int at = phraseStepMs * static_cast<int>(i);
        auto inPhrase = [this, number](int note, int velocity) {
            if (number == phraseNumber_)
                play(note, velocity);
        };
        QTimer::singleShot(at, this, [inPhrase, note] { inPhrase(note, velocity); });
        QTimer::singleShot(at + phraseHeldMs, this, [inPhrase, note] { inPhrase(note, 0); });
    }
}

void LibraryDialog::choose(Action action) {
    if (selectedIndex() < 0 || (action == Action::loadWithSong && !selectedSong()))
        return;
    action_ = action;
    accept();
}

void LibraryDialog::done(int result) {
    releaseAll();
    QDialog::done(result);
}

// A key of the piano rows plays its note of the selected entry; the other keys move through
// the list as usual.
bool LibraryDialog::pianoKey(const QKeyEvent& key, bool down) {
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const std::optional<int> piano = KeyboardPlaying::pianoKeyOf(key.nativeScanCode(), key.key());
    if (!piano)
        return false;
    if (key.isAutoRepeat() || selectedIndex() < 0)
        return true;
    if (down)
        emit auditionRequested();
    play(lowestNote_ + *piano, down ? velocity : 0);
    return true;
}

bool LibraryDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        const bool down = event->type() == QEvent::KeyPress;
        if (down &&
            (key.key() == Qt::Key_Space || key.key() == Qt::Key_Return ||
             key.key() == Qt::Key_Enter) &&
            selectedIndex() >= 0) {
            listen();
            return true;
        }
        if (pianoKey(key, down))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vorel
