#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vorel {

// A fixed set of threads that split a range of indexes between them. The threads are started
// once, with their owner, so a render does not start threads per note.
class WorkerPool {
  public:
    // threadCount 0 means one thread per processor.
    explicit WorkerPool(unsigned threadCount = 0);
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;
    ~WorkerPool();

    unsigned threadCount() const { return threadCount_; }

    // Splits [0, count) into threadCount() consecutive pieces and calls work(begin, end, piece)
    // for each, all at once; returns when all are done. The calling thread works on piece 0
    // itself. With one thread (or fewer indexes than threads) the caller does it all in one call.
    void forEachRange(std::size_t count,
                      const std::function<void(std::size_t, std::size_t, unsigned)>& work);

    static unsigned processorCount();

  private:
    void workerLoop(unsigned index);

    unsigned threadCount_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(std::size_t, std::size_t, unsigned)>* work_ = nullptr;
    std::size_t count_ = 0;
    unsigned generation_ = 0;
    unsigned pending_ = 0;
    bool stopping_ = false;
};

} // namespace vorel
