#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace vorel {

class RangeWork;

// A callable the pool can run: work(begin, end, piece). (Written with <type_traits> rather than
// <concepts>, which Qt's moc cannot read in the window headers that include this one.)
template <class Work>
concept RangeCallable = std::is_invocable_v<Work&, std::size_t, std::size_t, unsigned> &&
    !std::is_same_v<std::remove_cvref_t<Work>, RangeWork>;

// What the pool calls for each piece. It refers to the caller's callable (usually a lambda that
// captures locals by reference) without copying or owning it, so handing work to the pool never
// allocates; the callable only has to outlive the forEachRange call it is passed to.
class RangeWork {
  public:
    // Not explicit: a lambda converts where RangeWork is expected.
    template <RangeCallable Work>
    RangeWork(Work&& work)
        : callable_(const_cast<void*>(static_cast<const void*>(std::addressof(work)))),
          call_([](void* callable, std::size_t begin, std::size_t end, unsigned piece) {
              (*static_cast<std::remove_reference_t<Work>*>(callable))(begin, end, piece);
          }) {}

    void operator()(std::size_t begin, std::size_t end, unsigned piece) const {
        call_(callable_, begin, end, piece);
    }

  private:
    void* callable_; // the caller's callable; call_ casts it back to its own type and constness
    void (*call_)(void* callable, std::size_t begin, std::size_t end, unsigned piece);
};

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
    void forEachRange(std::size_t count, RangeWork work);

    static unsigned processorCount();

  private:
    void workerLoop(unsigned index);

    unsigned threadCount_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const RangeWork* work_ = nullptr; // the work of the current round, while it runs
    std::size_t count_ = 0;
    unsigned generation_ = 0;
    unsigned pending_ = 0;
    bool stopping_ = false;
};

} // namespace vorel
