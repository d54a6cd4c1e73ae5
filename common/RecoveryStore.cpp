#include "common/RecoveryStore.h"

#include "common/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <span>
#include <sys/stat.h>

namespace vorel {
namespace {

// Creates the folder and any missing folder above it, readable by the user alone: the copies
// hold the user's work.
Status makeFolder(const std::string& folder) {
    constexpr mode_t userOnly = 0700;
    std::size_t slash = 0;
    do {
        slash = folder.find('/', slash + 1);
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), userOnly) != 0 && errno != EEXIST)
            return Status::failure(part + ": " + std::strerror(errno));
    } while (slash != std::string::npos);
    return Status::success();
}

} // namespace

RecoveryStore::RecoveryStore(std::string folder, std::string program)
    : folder_(std::move(folder)), program_(std::move(program)), process_(currentProcess()) {}

RecoveryStore::~RecoveryStore() {
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = true;
        pending_.reset();
    }
    queueChanged_.notify_all();
    if (writer_.joinable())
        writer_.join();
}

std::string RecoveryStore::indexPath() const {
    return folder_ + "/" + program_ + "-" + std::to_string(process_.id) + "-" +
           std::to_string(process_.startTime) + ".index";
}

std::string RecoveryStore::copyPath(DocumentKind kind) const {
    std::string path = indexPath();
    path.resize(path.size() - std::string_view(".index").size());
    const DocumentKindNames& names = namesOf(kind);
    return path + "-" + std::string(names.word) + "." + std::string(names.suffix);
}

void RecoveryStore::onFailure(std::function<void(const std::string&)> report) {
    std::lock_guard lock(queueMutex_);
    report_ = std::move(report);
}

void RecoveryStore::write(Snapshot snapshot) {
    {
        std::lock_guard lock(queueMutex_);
        if (stopping_)
            return;
        pending_ = std::move(snapshot);
        if (!writer_.joinable())
            writer_ = std::thread([this] { writeQueued(); });
    }
    queueChanged_.notify_all();
}

Status RecoveryStore::writeNow(Snapshot snapshot) {
    std::lock_guard disk(diskMutex_);
    {
        std::lock_guard lock(queueMutex_);
        pending_.reset();
    }
    queueChanged_.notify_all();
    return apply(snapshot);
}

void RecoveryStore::waitUntilWritten() {
    std::unique_lock lock(queueMutex_);
    queueChanged_.wait(lock, [this] { return stopping_ || (!pending_ && !writing_); });
}

void RecoveryStore::writeQueued() {
    for (;;) {
        std::unique_lock lock(queueMutex_);
        queueChanged_.wait(lock, [this] { return pending_ || stopping_; });
        if (stopping_)
            return;
        // The disk first, then the queue: writeNow takes them in the same order.
        lock.unlock();
        std::lock_guard disk(diskMutex_);
        lock.lock();
        std::optional<Snapshot> snapshot = std::move(pending_);
        pending_.reset();
        writing_ = snapshot.has_value();
        const auto report = report_;
        lock.unlock();
        if (snapshot) {
            if (const Status written = apply(*snapshot); !written && report)
                report(written.error());
        }
        lock.lock();
        writing_ = false;
        lock.unlock();
        queueChanged_.notify_all();
    }
}

Status RecoveryStore::apply(Snapshot& snapshot) const {
    std::error_code ignored;
    if (snapshot.index.documents.empty()) {
        std::filesystem::remove(indexPath(), ignored);
        for (const DocumentKindNames& names : documentKinds)
            std::filesystem::remove(copyPath(names.kind), ignored);
        return Status::success();
    }
    if (const Status made = makeFolder(folder_); !made)
        return made;
    snapshot.index.program = program_;
    snapshot.index.process = process_;
    for (std::size_t i = 0; i < snapshot.index.documents.size(); ++i) {
        RecoveryEntry& document = snapshot.index.documents[i];
        if (document.fromFile)
            continue; // unmodified: its own file is all it needs
        const std::string path = copyPath(document.kind);
        document.file = std::filesystem::path(path).filename().string();
        if (const Status saved = writeFileAtomically(path, snapshot.contents[i]); !saved)
            return Status::failure(path + ": " + saved.error());
    }
    // The index last: it never names a copy that is not written yet.
    const std::string text = encodeRecoveryIndex(snapshot.index);
    if (const Status saved = writeFileAtomically(indexPath(), std::as_bytes(std::span(text)));
        !saved)
        return Status::failure(indexPath() + ": " + saved.error());
    for (const DocumentKindNames& names : documentKinds) {
        const bool kept =
            std::any_of(snapshot.index.documents.begin(), snapshot.index.documents.end(),
                        [&names](const RecoveryEntry& document) {
                            return document.kind == names.kind && !document.fromFile;
                        });
        if (!kept)
            std::filesystem::remove(copyPath(names.kind), ignored);
    }
    return Status::success();
}

} // namespace vorel
