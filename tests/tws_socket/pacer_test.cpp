// Pacing: never more than the limit in any window, nothing overtakes what waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/tws_socket/pacer.h"

namespace corvel {
namespace {

using namespace std::chrono_literals;

const SteadyTime t0 = SteadyTime{} + 1000h;

TEST(Pacer, FortyFiveGoAtOnceAndTheNextWhenTheFirstLeavesTheSecond) {
    Pacer pacer(45, 1s);
    std::string out;
    for (int i = 0; i < 45; ++i)
        EXPECT_TRUE(pacer.offer("m", t0 + std::chrono::milliseconds(i), out)) << i;
    EXPECT_EQ(out.size(), 45U);
    EXPECT_FALSE(pacer.offer("w", t0 + 100ms, out));
    EXPECT_TRUE(pacer.waiting());
    EXPECT_EQ(pacer.next_room(), t0 + 1s);
    EXPECT_EQ(pacer.release(t0 + 999ms, out), 0U);
    EXPECT_EQ(pacer.release(t0 + 1s, out), 1U);
    EXPECT_EQ(out.back(), 'w');
    EXPECT_FALSE(pacer.waiting());
    // The second message left the window at t0 + 1001 ms, not before.
    EXPECT_FALSE(pacer.offer("x", t0 + 1000ms, out));
    EXPECT_EQ(pacer.next_room(), t0 + 1001ms);
}

TEST(Pacer, WhatWaitsGoesFirstAndInOrder) {
    Pacer pacer(2, 100ms);
    std::string out;
    pacer.offer("a", t0, out);
    pacer.offer("b", t0, out);
    pacer.offer("c", t0, out);
    pacer.offer("d", t0, out);
    // The window has room again, but "c" and "d" wait: "e" must not go before them.
    EXPECT_FALSE(pacer.offer("e", t0 + 150ms, out));
    EXPECT_EQ(pacer.release(t0 + 150ms, out), 2U);
    EXPECT_EQ(out, "abcd");
    EXPECT_EQ(pacer.release(t0 + 250ms, out), 1U);
    EXPECT_EQ(out, "abcde");
}

TEST(Pacer, NoWindowEverHoldsMoreThanTheLimit) {
    // Bursts and pauses of every size, the owner releasing when told to; every send is checked
    // against the window ending at it.
    constexpr int kLimit = 45;
    Pacer pacer(kLimit, 1s);
    std::vector<SteadyTime> sends;
    std::string out;
    std::uint32_t seed = 12345;
    const auto next_random = [&] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    SteadyTime t = t0;
    int offered = 0;
    while (offered < 2000) {
        const int burst = static_cast<int>(next_random() % 60);
        for (int i = 0; i < burst && offered < 2000; ++i, ++offered) {
            if (pacer.offer("m", t, out)) sends.push_back(t);
        }
        const SteadyTime later = t + std::chrono::milliseconds(next_random() % 400);
        while (pacer.waiting() && pacer.next_room() <= later) {
            t = std::max(t, pacer.next_room());
            sends.insert(sends.end(), pacer.release(t, out), t);
        }
        t = later;
    }
    while (pacer.waiting()) {
        t = std::max(t, pacer.next_room());
        sends.insert(sends.end(), pacer.release(t, out), t);
    }
    ASSERT_EQ(sends.size(), 2000U);
    EXPECT_EQ(out.size(), 2000U);
    for (std::size_t i = kLimit; i < sends.size(); ++i)
        ASSERT_GE(sends[i] - sends[i - kLimit], 1s) << "send " << i;
}

TEST(Pacer, ALimitBelowOneIsOne) {
    Pacer pacer(0, 100ms);
    std::string out;
    EXPECT_TRUE(pacer.offer("a", t0, out));
    EXPECT_FALSE(pacer.offer("b", t0, out));
    EXPECT_EQ(pacer.release(t0 + 100ms, out), 1U);
    EXPECT_EQ(out, "ab");
}

}  // namespace
}  // namespace corvel
