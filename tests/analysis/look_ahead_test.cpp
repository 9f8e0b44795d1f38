#include "look_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace kelvox;

TEST(LookAhead, MakesEveryItemOnceInOrderIntoItsSlot)
{
    LookAhead ahead(4);
    std::vector<int64_t> slots(4, -1);
    std::vector<int64_t> order;
    ahead.start(50, [&](int64_t index, int slot) {
        order.push_back(index);  // the helper alone writes it until the items are taken
        slots[static_cast<size_t>(slot)] = index;
    });
    for (int64_t i = 0; i < 50; ++i) {
        const int slot = ahead.take(i);
        ASSERT_EQ(slot, i % 4);
        EXPECT_EQ(slots[static_cast<size_t>(slot)], i);
    }
    ahead.stop();
    ASSERT_EQ(order.size(), 50u);
    for (int64_t i = 0; i < 50; ++i)
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

TEST(LookAhead, NeverOverwritesTheItemTheCallerHolds)
{
    // The caller holds each item a while: the helper never makes the item that would
    // go into the held item's slot.
    constexpr int kDepth = 3;
    LookAhead ahead(kDepth);
    std::atomic<int64_t> taken{0};
    std::atomic<int> overruns{0};
    ahead.start(40, [&](int64_t index, int) {
        if (index >= taken.load() + kDepth)
            ++overruns;
    });
    for (int64_t i = 0; i < 40; ++i) {
        taken = i;  // from here on, item i is the one held (or about to be)
        ASSERT_GE(ahead.take(i), 0);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_EQ(overruns.load(), 0);
}

TEST(LookAhead, TakesOnlyTheNextItemOfTheSequence)
{
    LookAhead ahead(8);
    ahead.start(3, [](int64_t, int) {});
    EXPECT_EQ(ahead.take(1), -1);  // not the next one
    EXPECT_EQ(ahead.take(0), 0);
    EXPECT_EQ(ahead.take(0), -1);  // taken already
    EXPECT_EQ(ahead.take(1), 1);
    EXPECT_EQ(ahead.take(2), 2);
    EXPECT_EQ(ahead.take(3), -1);  // beyond the sequence
}

TEST(LookAhead, StopWaitsForTheItemInHandAndForgetsTheRest)
{
    LookAhead ahead(16);
    std::atomic<int> made{0};
    std::atomic<bool> busy{false};
    ahead.start(1000, [&](int64_t, int) {
        busy = true;
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        ++made;
        busy = false;
    });
    ASSERT_EQ(ahead.take(0), 0);
    ahead.stop();
    EXPECT_FALSE(busy.load()) << "the helper is idle after stop()";
    const int afterStop = made.load();
    EXPECT_LT(afterStop, 1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(made.load(), afterStop);
    EXPECT_EQ(ahead.take(1), -1);

    // A new sequence starts from its own item 0.
    std::vector<int64_t> slots(16, -1);
    ahead.start(5, [&](int64_t index, int slot) { slots[static_cast<size_t>(slot)] = 100 + index; });
    for (int64_t i = 0; i < 5; ++i)
        EXPECT_EQ(slots[static_cast<size_t>(ahead.take(i))], 100 + i);
}

TEST(LookAhead, EndsWhileTheHelperIsBusy)
{
    std::atomic<int> made{0};
    {
        LookAhead ahead(4);
        ahead.start(1 << 20, [&](int64_t, int) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            ++made;
        });
    }
    EXPECT_LE(made.load(), 4);
}

TEST(LookAhead, ExtendGoesOnWithoutStopping)
{
    // The helper makes the first items, runs out, and goes on once the sequence is
    // longer; nothing is made twice and the slots follow on.
    LookAhead ahead(4);
    std::vector<int64_t> slots(4, -1);
    std::atomic<int> made{0};
    ahead.start(3, [&](int64_t index, int slot) {
        slots[static_cast<size_t>(slot)] = index;
        ++made;
    });
    for (int64_t i = 0; i < 3; ++i)
        ASSERT_EQ(ahead.take(i), i % 4);
    EXPECT_EQ(ahead.take(3), -1) << "beyond the sequence";
    ahead.extend(2);  // shorter: nothing changes
    ahead.extend(9);
    for (int64_t i = 3; i < 9; ++i) {
        const int slot = ahead.take(i);
        ASSERT_EQ(slot, i % 4);
        EXPECT_EQ(slots[static_cast<size_t>(slot)], i);
    }
    ahead.stop();
    EXPECT_EQ(made.load(), 9);
}
