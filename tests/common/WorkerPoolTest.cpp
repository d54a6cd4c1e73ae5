#include "common/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace vorel::test {
namespace {

TEST(WorkerPoolTest, EveryIndexIsVisitedExactlyOnceWhateverTheThreadCount) {
    for (unsigned threads : {1u, 2u, 3u, 8u}) {
        WorkerPool pool(threads);
        for (std::size_t count : {0u, 1u, 2u, 7u, 1000u, 4097u}) {
            std::vector<std::atomic<int>> visits(count);
            for (int round = 0; round < 3; ++round)
                pool.forEachRange(count, [&](std::size_t begin, std::size_t end, unsigned part) {
                    EXPECT_LT(part, threads);
                    for (std::size_t i = begin; i < end; ++i)
                        ++visits[i];
                });
            for (std::size_t i = 0; i < count; ++i)
                ASSERT_EQ(visits[i].load(), 3) << threads << " threads, count " << count;
        }
    }
}

} // namespace
} // namespace vorel::test
