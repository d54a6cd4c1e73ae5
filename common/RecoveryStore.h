#pragma once

#include "common/RecoveryIndex.h"
#include "common/Result.h"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vorel {

// The recovery copies of this process: one file per modified document, in its own format, and the
// index beside them, which also names the files the unmodified documents were loaded from; all
// saved atomically in the recovery folder under names that hold the program, the process id and
// its start time, so that no two processes share a file. The writes run on a thread of the store's
// own: a window hands over a snapshot and goes on at once.
class RecoveryStore {
  public:
    RecoveryStore(std::string folder, std::string program);
    ~RecoveryStore(); // ends the write in progress; a snapshot still waiting is dropped
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    // What the folder is to hold for this process. The store fills in the program, the process
    // and the copies' file names; `contents` holds the file of each of `index.documents`, in
    // order (nothing for a document named by its own file, `fromFile`). No documents: every file
    // of this process is removed.
    struct Snapshot {
        RecoveryIndex index;
        std::vector<std::vector<std::byte>> contents;
    };

    // Queues the snapshot for the writing thread; it replaces one still waiting.
    void write(Snapshot snapshot);
    // Writes the snapshot on this thread, after the write in progress; one still waiting is
    // dropped. For a close that cannot wait.
    Status writeNow(Snapshot snapshot);
    // Blocks until every queued snapshot is written.
    void waitUntilWritten();
    // Called on the writing thread with the reason whenever a queued write fails.
    void onFailure(std::function<void(const std::string& reason)> report);

    const std::string& folder() const { return folder_; }
    std::string indexPath() const;
    std::string copyPath(DocumentKind kind) const;

  private:
    Status apply(Snapshot& snapshot) const;
    void writeQueued();

    const std::string folder_;
    const std::string program_;
    const ProcessIdentity process_;
    std::function<void(const std::string&)> report_;

    std::mutex queueMutex_; // guards pending_, writing_, stopping_
    std::condition_variable queueChanged_;
    std::optional<Snapshot> pending_;
    bool writing_ = false;
    bool stopping_ = false;
    // Held while files are written, so a snapshot taken from the queue is written whole before
    // any later one.
    std::mutex diskMutex_;
    std::thread writer_; // started with the first queued snapshot
};

} // namespace vorel
