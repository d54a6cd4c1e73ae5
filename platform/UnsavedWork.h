#pragma once

#include "common/RecoveryIndex.h"
#include "common/RecoveryStore.h"
#include "common/Result.h"
#include "platform/UserDialogs.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QWidget;

namespace vorel {

class FileCommands;

// What the kit needs of one document a window edits: the sound editor's sequence and its sound
// settings, the wave editor's wave. The sound editor's wave is one too, though it only reads it:
// it is never modified, and has no save (saveTo is empty), but it belongs to the work.
struct DocumentHandling {
    DocumentKind kind;
    QString noun;                 // "sequence", "sound settings", "wave"
    FileDialogRequest saveDialog; // the dialog of the document's save command
    // The document as its file holds it.
    std::function<std::vector<std::byte>()> contents;
    // Saves the document to `path`; on success the window shows the file's name.
    std::function<Status(const QString& path)> saveTo;
    // Checks a recovered copy with the file format's own checks, changing nothing ...
    std::function<Status(std::span<const std::byte>)> check;
    // ... and makes a checked copy the document, shown as `name` (empty: unnamed).
    std::function<void(std::span<const std::byte>, const QString& name)> restore;
};

// One document. It is modified while its contents differ from the file it was last loaded from or
// saved to, so undoing back to that state makes it unmodified again; contents that come from no
// file (an import, a recovered copy) are modified until saved.
class Document {
  public:
    explicit Document(DocumentHandling handling);

    const DocumentHandling& handling() const { return handling_; }
    bool modified() const { return modified_; }
    // The file it was loaded from or saved to (or recovered from), empty when none.
    const QString& path() const { return path_; }
    // "the sequence "demo"", "the unnamed sequence".
    QString described() const;

  private:
    friend class UnsavedWork;
    // `held` is what the file held then; nothing when it could not be read again.
    void storedIn(const QString& path, std::optional<FileFingerprint> held);
    void unsaved(const QString& name, const QString& path);
    // Reads the contents again; true when they changed since the last reading.
    bool refresh();

    DocumentHandling handling_;
    QString path_;
    QString name_;
    std::optional<std::vector<std::byte>> stored_; // what its file holds; nothing: in no file
    std::optional<FileFingerprint> fileHeld_;      // the bytes of path_ at the load or save
    std::vector<std::byte> current_;
    bool modified_ = false;
};

// Keeps a window's unsaved work. The title shows the modified marker while any document is
// modified; before a load replaces a modified document, and before the window closes, the user is
// asked "Save changes to the sequence "demo"?" (Save, Discard, Cancel); a few seconds after a
// change the modified documents are copied to the recovery folder, and the next start of the
// program offers copies left by a process that no longer runs.
class UnsavedWork : public QObject {
    Q_OBJECT
  public:
    // `caption` captions the questions and messages; the window's title holds "[*]".
    UnsavedWork(QWidget* window, UserDialogs& dialogs, FileCommands& files, QString caption);
    ~UnsavedWork() override;

    // The question asks about documents in the order they were added.
    Document& add(DocumentHandling handling);

    // After anything that may have changed a document: updates the marker and, when copies are
    // kept, has them written within the copy delay.
    void changed();
    // After a load from `path`; after an import from `path`, whose contents are in no file of
    // the document's own kind yet.
    void loaded(Document& document, const QString& path);
    void imported(Document& document, const QString& path);

    // Before a load replaces `document`: true when it may (it was not modified, or the user
    // saved it or chose to discard it).
    bool mayReplace(Document& document);
    // From the window's closeEvent: asks about each modified document; true when the window may
    // close. A clean close removes the copies.
    bool mayClose();
    // A close that cannot wait for answers (SIGTERM, the session ending): the copies are written
    // at once and kept, dialogs still open end unanswered, and nothing is asked any more.
    void closeUrgently();

    enum class Saved { saved, failed, cancelled };
    // The document's save command: the save dialog, then the save; a failure is reported.
    Saved saveWithDialog(Document& document);

    // What the sound editor adds to an index (tempo, page) and takes back from a recovered one.
    struct ViewState {
        std::function<void(RecoveryIndex&)> describe;
        std::function<void(const RecoveryIndex&)> restore;
    };
    // Keeps copies of the modified documents in `folder` (nothing when empty) under the name of
    // `program` ("vorel-sound-editor").
    void keepCopiesIn(const std::string& folder, const std::string& program, ViewState view = {});
    // How long after a change the copies are written; two seconds unless a test says otherwise.
    void setCopyDelay(std::chrono::milliseconds delay);
    // At start: offers, one process at a time, the work left by this program's processes that no
    // longer run: the copies of the modified documents, and the files the others were loaded
    // from. Damaged copies are reported and set aside; a file that has changed since, or cannot be
    // read, is named in the offer and not loaded.
    void offerLeftWork();
    const RecoveryStore* store() const { return store_.get(); }

  private:
    // A document of left work, read and checked: a copy, or the file it was loaded from.
    struct Copy {
        Document* document;
        const RecoveryEntry* entry;
        std::vector<std::byte> bytes;
    };
    struct LeftDocuments {
        std::vector<Copy> found;
        // "the wave "saw" (/x/saw.vorelwf) is not loaded, and nothing in its place: why"
        QStringList unavailable;
    };

    bool save(Document& document);
    Saved saveTo(Document& document, const QString& path);
    bool anyModified() const;
    RecoveryStore::Snapshot snapshot();
    void writeCopies();
    void reportCopyFailure(const QString& reason);
    LeftDocuments readLeftWork(const LeftWork& work, QStringList& damaged);
    void offer(const LeftWork& work, const LeftDocuments& documents);
    QString describeLeftWork(const LeftWork& work, const LeftDocuments& documents) const;

    QWidget* window_;
    UserDialogs& dialogs_;
    FileCommands& files_;
    QString caption_;
    std::vector<std::unique_ptr<Document>> documents_;
    std::string program_;
    ViewState view_;
    std::optional<int> copiedTempo_; // the view as last copied
    std::optional<int> copiedPage_;
    QTimer copyTimer_;
    bool copiesDue_ = false;
    bool urgent_ = false;
    bool failureReported_ = false;
    std::unique_ptr<RecoveryStore> store_; // last: its thread ends before the rest goes
};

} // namespace vorel
