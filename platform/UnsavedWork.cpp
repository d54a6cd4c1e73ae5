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

void Document::storedIn(const QString& path) {
    refresh();
    path_ = path;
    name_ = nameOf(path);
    stored_ = current_;
    modified_ = false;
}

void Document::unsaved(const QString& name, const QString& path) {
    refresh();
    path_ = path;
    name_ = name;
    stored_.reset();
    modified_ = true;
}

bool Document::refresh() {
    std::vector<std::byte> now = handling_.contents();
    const bool changed = now != current_;
    current_ = std::move(now);
    modified_ = !stored_ || *stored_ != current_;
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
    document.storedIn(path);
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
    for (const auto& document : documents_) {
        if (!document->modified())
            continue;
        snapshot.index.documents.push_back({document->handling().kind,
                                            {},
                                            document->name_.toStdString(),
                                            enginePath(document->path())});
        snapshot.contents.push_back(document->current_);
    }
    if (view_.describe)
        view_.describe(snapshot.index);
    copiedTempo_ = snapshot.index.tempo;
    copiedPage_ = snapshot.index.page;
    if (snapshot.index.documents.empty())
        snapshot.index = {};
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
    std::vector<std::pair<const LeftWork*, std::vector<Copy>>> offers;
    for (const LeftWork& work : search.found) {
        std::vector<Copy> copies = readCopies(work, damaged);
        if (copies.empty())
            removeLeftWork(store_->folder(), work);
        else
            offers.emplace_back(&work, std::move(copies));
    }
    if (!damaged.isEmpty())
        dialogs_.showMessage(window_, caption_,
                             QStringLiteral("Some unsaved work is damaged and cannot be recovered; "
                                            "it was set aside:\n%1")
                                 .arg(damaged.join(QLatin1Char('\n'))));
    for (const auto& [work, copies] : offers)
        offer(*work, copies);
}

std::vector<UnsavedWork::Copy> UnsavedWork::readCopies(const LeftWork& work, QStringList& damaged) {
    std::vector<Copy> copies;
    for (const RecoveryEntry& entry : work.index.documents) {
        const std::string path = store_->folder() + "/" + entry.file;
        const auto document =
            std::find_if(documents_.begin(), documents_.end(),
                         [&entry](const auto& d) { return d->handling().kind == entry.kind; });
        Result<std::vector<std::byte>> bytes = readFileBytes(path, largestCopy);
        Status good = bytes ? Status::success() : Status::failure(bytes.error());
        if (good && bytes.value().size() > largestCopy)
            good = Status::failure("it is too large");
        if (good && document == documents_.end())
            good = Status::failure("this program does not edit such a document");
        if (good)
            good = (*document)->handling().check(bytes.value());
        if (good) {
            copies.push_back({document->get(), &entry, std::move(bytes).value()});
        } else {
            damaged << QStringLiteral("%1: %2").arg(QFile::decodeName(path.c_str()),
                                                    QString::fromStdString(good.error()));
            setAside(path);
        }
    }
    return copies;
}

void UnsavedWork::offer(const LeftWork& work, const std::vector<Copy>& copies) {
    const RecoveryAnswer answer = dialogs_.offerRecovery(window_, describeLeftWork(work, copies));
    if (answer == RecoveryAnswer::later || urgent_)
        return;
    if (answer == RecoveryAnswer::recover) {
        // Over a document changed since (by an earlier offer), only with the user's word.
        for (const Copy& copy : copies)
            if (!mayReplace(*copy.document))
                return;
        for (const Copy& copy : copies) {
            const QString name = QString::fromStdString(copy.entry->name);
            copy.document->handling().restore(copy.bytes, name);
            copy.document->unsaved(name, QFile::decodeName(copy.entry->originalPath.c_str()));
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

QString UnsavedWork::describeLeftWork(const LeftWork& work, const std::vector<Copy>& copies) const {
    const QDateTime when = QFileInfo(QFile::decodeName(work.indexPath.c_str())).lastModified();
    QString text = QStringLiteral("%1 ended on %2 without saving:\n")
                       .arg(caption_, when.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    for (const Copy& copy : copies) {
        text += QStringLiteral("\n    ") +
                described(copy.document->handling().noun, QString::fromStdString(copy.entry->name));
        const QString path = QFile::decodeName(copy.entry->originalPath.c_str());
        if (!path.isEmpty())
            text += QStringLiteral(" (%1)").arg(QDir::toNativeSeparators(path));
    }
    return text + QStringLiteral("\n\nRecover brings it back as unsaved changes; Discard throws "
                                 "it away.");
}

} // namespace vorel
