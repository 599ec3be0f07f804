#include "device/StopToken.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using quillan::device::StopToken;

namespace {

TEST(StopTokenTest, AStopEndsAPauseAndRunsTheWakeUpsThatAreStillRegistered)
{
    StopToken token;
    int woken = 0;
    int gone = 0;
    const StopToken::Registration kept = token.onStop([&] { ++woken; });
    {
        const StopToken::Registration dropped = token.onStop([&] { ++gone; });
    }
    std::atomic<bool> paused{true};
    std::thread waiter([&] { paused = token.pause(600'000); });
    token.requestStop();
    token.requestStop(); // once is what counts
    waiter.join();
    EXPECT_FALSE(paused);
    EXPECT_EQ(woken, 1);
    EXPECT_EQ(gone, 0);

    // Registered after the stop: woken at once. Every later pause ends at once, until reset.
    int late = 0;
    const StopToken::Registration afterwards = token.onStop([&] { ++late; });
    EXPECT_EQ(late, 1);
    EXPECT_FALSE(token.pause(600'000));
    token.reset();
    EXPECT_FALSE(token.stopRequested());
    EXPECT_TRUE(token.pause(0));
}

} // namespace
