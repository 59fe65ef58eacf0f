// The worker thread behind the two-core sweep hands over results and failures, and waits for
// a job under way when it goes.
#include "analysis/background_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace qv {
namespace {

TEST(BackgroundWorker, RunsOneJobAtATimeAndHandsBackItsFailure) {
    BackgroundWorker worker;
    int value = 0;
    worker.start([&] { value = 42; });
    EXPECT_TRUE(worker.busy());
    EXPECT_THROW(worker.start([] {}), std::logic_error);
    worker.wait();
    EXPECT_FALSE(worker.busy());
    EXPECT_EQ(value, 42);
    worker.wait();  // nothing started: returns at once

    worker.start([] { throw std::runtime_error("disk gone"); });
    try {
        worker.wait();
        ADD_FAILURE() << "the job's failure was not thrown";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "disk gone");
    }
    worker.start([&] { value = 7; });
    worker.wait();
    EXPECT_EQ(value, 7) << "the worker goes on after a failed job";
}

// Workers made and dropped in quick succession, each with a job that fails: a thread that
// starts before the worker's own state is made finds it half built (a lost wake-up or a
// broken lock).
TEST(BackgroundWorker, ManyShortLivedWorkersEachRunTheirJob) {
    int ran = 0;
    for (int i = 0; i < 300; ++i) {
        BackgroundWorker worker;
        worker.start([&] {
            ++ran;
            throw std::invalid_argument("refused");
        });
        EXPECT_THROW(worker.wait(), std::invalid_argument);
    }
    EXPECT_EQ(ran, 300);
}

TEST(BackgroundWorker, GoingAwayWaitsForTheJobUnderWay) {
    std::atomic<bool> done{false};
    {
        BackgroundWorker worker;
        worker.start([&] {
            for (int i = 0; i < 20000; ++i) {  // long enough to be under way at the end
                std::this_thread::yield();
            }
            done = true;
        });
    }
    EXPECT_TRUE(done);
}

}  // namespace
}  // namespace qv
