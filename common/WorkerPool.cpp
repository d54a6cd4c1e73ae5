#include "common/WorkerPool.h"

#include <algorithm>

namespace vorel {

unsigned WorkerPool::processorCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

WorkerPool::WorkerPool(unsigned threadCount)
    : threadCount_(threadCount == 0 ? processorCount() : threadCount) {
    for (unsigned i = 1; i < threadCount_; ++i)
        threads_.emplace_back([this, i] { workerLoop(i); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& thread : threads_)
        thread.join();
}

namespace {
std::pair<std::size_t, std::size_t> pieceOf(std::size_t count, unsigned parts, unsigned part) {
    std::size_t begin = count * part / parts;
    std::size_t end = count * (part + 1) / parts;
    return {begin, end};
}
} // namespace

void WorkerPool::forEachRange(std::size_t count, RangeWork work) {
    if (threadCount_ == 1 || count < threadCount_) {
        work(0, count, 0);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        work_ = &work;
        count_ = count;
        pending_ = threadCount_ - 1;
        ++generation_;
    }
    wake_.notify_all();
    auto [begin, end] = pieceOf(count, threadCount_, 0);
    work(begin, end, 0);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
    work_ = nullptr;
}

void WorkerPool::workerLoop(unsigned index) {
    unsigned seen = 0;
    for (;;) {
        const RangeWork* work;
        std::size_t count;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_)
                return;
            seen = generation_;
            work = work_;
            count = count_;
        }
        auto [begin, end] = pieceOf(count, threadCount_, index);
        (*work)(begin, end, index);
        {
            std::lock_guard lock(mutex_);
            if (--pending_ == 0)
                done_.notify_one();
        }
    }
}

} // namespace vorel
