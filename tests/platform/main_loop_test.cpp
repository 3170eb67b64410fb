#include "platform/main_loop.h"

#include <atomic>
#include <gtest/gtest.h>

#include "support/test_helpers.h"
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace orvalo {
namespace {

using namespace std::chrono_literals;

using test::pumpUntil;

TEST(MainLoop, RunsPostedTasksInOrderFromAnyThread) {
    MainLoop loop;
    std::vector<int> seen;
    loop.post([&] { seen.push_back(1); });
    loop.post([&] { seen.push_back(2); });
    EXPECT_EQ(loop.runPending(), 2u);
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));

    // Four threads post 1,000 tasks each; every task runs once, each thread's in order.
    std::vector<std::vector<int>> perThread(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 1000; ++i) loop.post([&, t, i] { perThread[static_cast<std::size_t>(t)].push_back(i); });
        });
    for (auto& thread : threads) thread.join();
    loop.runPending();
    for (const auto& values : perThread) {
        ASSERT_EQ(values.size(), 1000u);
        for (int i = 0; i < 1000; ++i) ASSERT_EQ(values[static_cast<std::size_t>(i)], i);
    }
}

TEST(MainLoop, TimersRunWhenDueAndCanBeCancelled) {
    MainLoop loop;
    int fast = 0, never = 0, single = 0;
    loop.addTimer(5ms, [&] { ++fast; });
    const auto cancelled = loop.addTimer(5ms, [&] { ++never; });
    loop.addSingleShot(1ms, [&] { ++single; });
    loop.addSingleShot(10h, [&] { ++never; });
    loop.cancelTimer(cancelled);
    ASSERT_TRUE(pumpUntil(loop, [&] { return fast >= 3; }));
    EXPECT_EQ(single, 1);
    EXPECT_EQ(never, 0);
}

TEST(MainLoop, AFailingTaskIsReportedAndTheLoopGoesOn) {
    MainLoop loop;
    std::string reported;
    loop.setErrorHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& error) {
            reported = error.what();
        }
    });
    bool after = false;
    loop.post([] { throw std::runtime_error("boom"); });
    loop.post([&] { after = true; });
    loop.runPending();
    EXPECT_EQ(reported, "boom");
    EXPECT_TRUE(after);
}

TEST(MainLoop, WatchesReadableDescriptors) {
    MainLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string got;
    loop.watchReadable(fds[0], [&] {
        char c;
        if (::read(fds[0], &c, 1) == 1) got.push_back(c);
    });
    ASSERT_EQ(::write(fds[1], "ab", 2), 2);
    ASSERT_TRUE(pumpUntil(loop, [&] { return got == "ab"; }));
    loop.unwatch(fds[0]);
    ASSERT_EQ(::write(fds[1], "c", 1), 1);
    loop.runOnce(20ms);
    EXPECT_EQ(got, "ab");
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(MainLoop, QuitFromAnotherThreadEndsRun) {
    MainLoop loop;
    std::atomic<bool> ran{false};
    loop.post([&] { ran = true; });
    std::thread stopper([&] {
        while (!ran) std::this_thread::sleep_for(1ms);
        loop.quit();
    });
    loop.run();  // returns only once quit() was called
    stopper.join();
    EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace orvalo
