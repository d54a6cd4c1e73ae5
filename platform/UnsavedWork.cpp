#include "platform/UnsavedWork.h"

#include "common/FileIo.h"
#include "platform/FileCommands.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <algorithm>

namespace vorel {
namespace {

constexpr std::chrono::milliseconds defaultCopyDelay{2000};
// Far more than any document's file; a larger copy is not one of ours.
constexpr std::size_t largestCopy = std::size_t{16} << 20;

// The name a file gives its document: its name up to the first '.', as the windows show it.
QString nameOf(const QString& path) {
    return QFileInfo(path).fileName().section(QLatin1Char('.'), 0, 0);
}

// "the sequence "demo"", "the unnamed sequence".
QString described(const QString& noun, const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("the unnamed %1").arg(noun);
    return QStringLiteral("the %1 \"%2\"").arg(noun, name);
}

} // namespace

Document::Document(DocumentHandling handling) : handling_(std::move(handling)) {
    current_ = handling_.contents();
    stored_ = current_;
}

QString Document::described() const {
    return vorel::described(handling_.noun, name_);
}

void Document::storedIn(const QString& path, std::optional<FileFingerprint> held) {
    refresh();
    path_ = path;
    name_ = nameOf(path);
    stored_ = current_;
    fileHeld_ = held;
    modified_ = false;
}

void Document::unsaved(const QString& name, const QString& path) {
    refresh();
    path_ = path;
    name_ = name;
    stored_.reset();
    fileHeld_.reset();
    modified_ = true;
}

bool Document::refresh() {
    std::vector<std::byte> now = handling_.contents();
    const bool changed = now != current_;
    current_ = std::move(now);
    // One the window only reads is never modified: it holds what its last load gave it.
    modified_ = handling_.saveTo && (!stored_ || *stored_ != current_);
    return changed;
}

UnsavedWork::UnsavedWork(QWidget* window, UserDialogs& dialogs, FileCommands& files,
                         QString caption)
    : window_(window), dialogs_(dialogs), files_(files), caption_(std::move(caption)) {
    copyTimer_.setSingleShot(true);
    copyTimer_.setInterval(defaultCopyDelay);
    connect(&copyTimer_, &QTimer::timeout, this, &UnsavedWork::writeCopies);
}

UnsavedWork::~UnsavedWork() = default;

Document& UnsavedWork::add(DocumentHandling handling) {
    documents_.push_back(std::make_unique<Document>(std::move(handling)));
    return *documents_.back();
}

bool UnsavedWork::anyModified() const {
    return std::any_of(documents_.begin(), documents_.end(),
                       [](const auto& document) { return document->modified(); });
}

void UnsavedWork::changed() {
    for (const auto& document : documents_)
        copiesDue_ = document->refresh() || copiesDue_;
    window_->setWindowModified(anyModified());
    if (!store_)
        return;
    // The tempo and the page are kept with the modified documents, though they are no document.
    if (RecoveryIndex view; anyModified() && view_.describe) {
        view_.describe(view);
        copiesDue_ = copiesDue_ || view.tempo != copiedTempo_ || view.page != copiedPage_;
    }
    // Not restarted by later changes: the copies are never more than the delay behind.
    if (copiesDue_ && !copyTimer_.isActive())
        copyTimer_.start();
}

void UnsavedWork::loaded(Document& document, const QString& path) {
    // Read once more, so that a recovery can tell whether the file still holds what was loaded.
    const Result<FileFingerprint> held = fingerprintFile(enginePath(path));
    document.storedIn(path, held ? std::optional(held.value()) : std::nullopt);
    changed();
    writeCopies();
}

void UnsavedWork::imported(Document& document, const QString& path) {
    document.unsaved(nameOf(path), {});
    changed();
}

bool UnsavedWork::mayReplace(Document& document) {
    document.refresh();
    if (urgent_ || !document.modified())
        return true;
    const QString question = QStringLiteral("Save changes to %1?").arg(document.described());
    switch (dialogs_.askToSave(window_, caption_, question)) {
    case SaveAnswer::save:
        return !urgent_ && save(document);
    case SaveAnswer::discard:
        return true;
    case SaveAnswer::cancel:
        break;
    }
    return false;
}

bool UnsavedWork::mayClose() {
    for (const auto& document : documents_) {
        // A close that became urgent while a question was open closes whatever the answer.
        if (!mayReplace(*document) && !urgent_)
            return false;
    }
    // A clean close: nothing is left to recover. An urgent one keeps what it has written.
    if (store_ && !urgent_) {
        copyTimer_.stop();
        store_->writeNow({});
    }
    return true;
}

void UnsavedWork::closeUrgently() {
    urgent_ = true;
    changed();
    if (store_) {
        copyTimer_.stop();
        if (const Status written = store_->writeNow(snapshot()); !written)
            qWarning("Unsaved work could not be kept for recovery: %s", written.error().c_str());
    }
    // No one is there to answer: dialogs still open end as if closed.
    for (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible();
         modal = QApplication::activeModalWidget())
        modal->hide();
}

bool UnsavedWork::save(Document& document) {
    if (document.path().isEmpty())
        return saveWithDialog(document) == Saved::saved;
    return saveTo(document, document.path()) == Saved::saved;
}

UnsavedWork::Saved UnsavedWork::saveWithDialog(Document& document) {
    const std::optional<QString> path = files_.chooseToSave(document.handling().saveDialog);
    return path ? saveTo(document, *path) : Saved::cancelled;
}

UnsavedWork::Saved UnsavedWork::saveTo(Document& document, const QString& path) {
    if (const Status saved = document.handling().saveTo(path); !saved) {
        files_.reportSaveFailure(path, saved);
        return Saved::failed;
    }
    loaded(document, path);
    return Saved::saved;
}

// Recovery copies ----------------------------------------------------------------------------

void UnsavedWork::keepCopiesIn(const std::string& folder, const std::string& program,
                               ViewState view) {
    if (folder.empty())
        return;
    program_ = program;
    view_ = std::move(view);
    store_ = std::make_unique<RecoveryStore>(folder, program);
    // Said once: a disk that is full stays full for a while.
    store_->onFailure([this](const std::string& reason) {
        QMetaObject::invokeMethod(
            this, [this, text = QString::fromStdString(reason)] { reportCopyFailure(text); },
            Qt::QueuedConnection);
    });
}

void UnsavedWork::setCopyDelay(std::chrono::milliseconds delay) {
    copyTimer_.setInterval(delay);
}

RecoveryStore::Snapshot UnsavedWork::snapshot() {
    RecoveryStore::Snapshot snapshot;
    if (view_.describe)
        view_.describe(snapshot.index);
    copiedTempo_ = snapshot.index.tempo;
    copiedPage_ = snapshot.index.page;
    // Nothing modified: every document is in its file, and there is nothing to recover.
    if (!anyModified())
        return {};
    // The modified documents by their copies, the others by the files they came from: the work
    // is the whole set (the notes are little use without the wave and the sound they were made
    // for).
    for (const auto& document : documents_) {
        RecoveryEntry entry{document->handling().kind,
                            {},
                            document->name_.toStdString(),
                            enginePath(document->path()),
                            {}};
        if (document->modified()) {
            snapshot.contents.push_back(document->current_);
        } else if (document->fileHeld_ && !document->path().isEmpty()) {
            entry.fromFile = document->fileHeld_;
            snapshot.contents.emplace_back(); // no copy: its file is the user's
        } else {
            continue; // as it was at the start
        }
        snapshot.index.documents.push_back(std::move(entry));
    }
    return snapshot;
}

void UnsavedWork::writeCopies() {
    copyTimer_.stop();
    copiesDue_ = false;
    if (store_ && !urgent_)
        store_->write(snapshot());
}

void UnsavedWork::reportCopyFailure(const QString& reason) {
    if (failureReported_)
        return;
    failureReported_ = true;
    dialogs_.showMessage(
        window_, caption_,
        QStringLiteral("Unsaved work cannot be kept for recovery:\n%1").arg(reason));
}

void UnsavedWork::offerLeftWork() {
    if (!store_)
        return;
    LeftWorkSearch search = findLeftWork(store_->folder(), program_);
    QStringList damaged;
    for (const std::string& index : search.damaged)
        damaged << QString::fromStdString(index);
    std::vector<std::pair<const LeftWork*, LeftDocuments>> offers;
    for (const LeftWork& work : search.found) {
        LeftDocuments documents = readLeftWork(work, damaged);
        // Without a change there is nothing to offer: the files the rest came from are all there.
        const bool changes = std::any_of(documents.found.begin(), documents.found.end(),
                                         [](const Copy& copy) { return !copy.entry->fromFile; });
        if (changes)
            offers.emplace_back(&work, std::move(documents));
        else
            removeLeftWork(store_->folder(), work);
    }
    if (!damaged.isEmpty())
        dialogs_.showMessage(window_, caption_,
                             QStringLiteral("Some unsaved work is damaged and cannot be recovered; "
                                            "it was set aside:\n%1")
                                 .arg(damaged.join(QLatin1Char('\n'))));
    for (const auto& [work, documents] : offers)
        offer(*work, documents);
}

UnsavedWork::LeftDocuments UnsavedWork::readLeftWork(const LeftWork& work, QStringList& damaged) {
    LeftDocuments documents;
    for (const RecoveryEntry& entry : work.index.documents) {
        const std::string path =
            entry.fromFile ? entry.originalPath : store_->folder() + "/" + entry.file;
        const auto document =
            std::find_if(documents_.begin(), documents_.end(),
                         [&entry](const auto& d) { return d->handling().kind == entry.kind; });
        Result<std::vector<std::byte>> bytes = readFileBytes(path, largestCopy);
        Status good = bytes ? Status::success() : Status::failure(bytes.error());
        if (good && bytes.value().size() > largestCopy)
            good = Status::failure("it is too large");
        if (good && entry.fromFile && fingerprintOf(bytes.value()) != *entry.fromFile)
            good = Status::failure("it has changed since it was loaded");
        // A copy only of what the program can save: the sound editor reads waves, never writes.
        if (good &&
            (document == documents_.end() || (!entry.fromFile && !(*document)->handling().saveTo)))
            good = Status::failure("this program does not edit such a document");
        if (good)
            good = (*document)->handling().check(bytes.value());
        const QString reason = QString::fromStdString(good.error());
        if (good) {
            documents.found.push_back({document->get(), &entry, std::move(bytes).value()});
        } else if (entry.fromFile) {
            // The user's own file: named in the offer, and left alone.
            const QString noun = document == documents_.end()
                                     ? QString::fromUtf8(namesOf(entry.kind).word)
                                     : (*document)->handling().noun;
            documents.unavailable
                << QStringLiteral("%1 (%2) is not loaded, and nothing in its place: %3")
                       .arg(described(noun, QString::fromStdString(entry.name)),
                            QDir::toNativeSeparators(QFile::decodeName(path.c_str())), reason);
        } else {
            damaged << QStringLiteral("%1: %2").arg(QFile::decodeName(path.c_str()), reason);
            setAside(path);
        }
    }
    return documents;
}

void UnsavedWork::offer(const LeftWork& work, const LeftDocuments& documents) {
    const RecoveryAnswer answer =
        dialogs_.offerRecovery(window_, describeLeftWork(work, documents));
    if (answer == RecoveryAnswer::later || urgent_)
        return;
    if (answer == RecoveryAnswer::recover) {
        // Over a document changed since (by an earlier offer), only with the user's word.
        for (const Copy& copy : documents.found)
            if (!mayReplace(*copy.document))
                return;
        // The copies as unsaved changes, the rest as loaded from their files.
        for (const Copy& copy : documents.found) {
            const QString name = QString::fromStdString(copy.entry->name);
            const QString path = QFile::decodeName(copy.entry->originalPath.c_str());
            copy.document->handling().restore(copy.bytes, name);
            if (copy.entry->fromFile)
                copy.document->storedIn(path, copy.entry->fromFile);
            else
                copy.document->unsaved(name, path);
        }
        if (view_.restore)
            view_.restore(work.index);
        changed();
        // The work is this process's before the old copies go.
        copyTimer_.stop();
        store_->writeNow(snapshot());
    }
    removeLeftWork(store_->folder(), work);
}

QString UnsavedWork::describeLeftWork(const LeftWork& work, const LeftDocuments& documents) const {
    const QDateTime when = QFileInfo(QFile::decodeName(work.indexPath.c_str())).lastModified();
    QString text = QStringLiteral("%1 ended on %2 without saving:\n")
                       .arg(caption_, when.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    for (const Copy& copy : documents.found) {
        text += QStringLiteral("\n    ") +
                described(copy.document->handling().noun, QString::fromStdString(copy.entry->name));
        const QString path = QFile::decodeName(copy.entry->originalPath.c_str());
        if (!path.isEmpty())
            text += QStringLiteral(" (%1)").arg(QDir::toNativeSeparators(path));
        text += copy.entry->fromFile ? QStringLiteral(", as in its file")
                                     : QStringLiteral(", with unsaved changes");
    }
    if (!documents.unavailable.isEmpty())
        text += QStringLiteral("\n\n") + documents.unavailable.join(QLatin1Char('\n'));
    return text + QStringLiteral("\n\nRecover brings back the changes as unsaved changes and loads "
                                 "the rest from their files again; Discard throws the changes "
                                 "away.");
}

} // namespace vorel
