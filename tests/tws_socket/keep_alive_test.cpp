// Keep-alive and stall timing on a clock the test moves.
#include <gtest/gtest.h>

#include "platform/tws_socket/keep_alive.h"

namespace corvel {
namespace {

using namespace std::chrono_literals;
using Due = KeepAlive::Due;

const SteadyTime t0 = SteadyTime{} + 1000h;

TEST(KeepAlive, AQuietPeerIsAskedOnceAndFailsOnlyWhenItDoesNotAnswer) {
    KeepAlive k(10s, 30s);
    k.start(t0);
    EXPECT_EQ(k.check(t0 + 29s, false, false), Due::Nothing);
    EXPECT_EQ(k.next_check(false, false), t0 + 30s);
    EXPECT_EQ(k.check(t0 + 30s, false, false), Due::Ping);
    EXPECT_EQ(k.check(t0 + 31s, false, false), Due::Nothing);  // one question at a time
    EXPECT_EQ(k.next_check(false, false), t0 + 40s);
    EXPECT_EQ(k.check(t0 + 40s, false, false), Due::Unanswered);

    // Any byte after the question is an answer; the next question comes an interval after it.
    KeepAlive answered(10s, 30s);
    answered.start(t0);
    ASSERT_EQ(answered.check(t0 + 30s, false, false), Due::Ping);
    answered.received(t0 + 35s, true);
    answered.message_taken();
    EXPECT_EQ(answered.check(t0 + 45s, false, false), Due::Nothing);
    EXPECT_FALSE(answered.ping_outstanding());
    EXPECT_EQ(answered.next_check(false, false), t0 + 65s);
    EXPECT_EQ(answered.check(t0 + 65s, false, false), Due::Ping);
}

TEST(KeepAlive, AMessageMustBeWholeWithinTheStallTimeOfItsFirstByte) {
    KeepAlive k(10s, 30s);
    k.start(t0);
    k.received(t0 + 1s, true);
    // A byte now and then keeps data coming but does not move the message's start.
    for (int s = 2; s <= 10; ++s)
        k.received(t0 + std::chrono::seconds(s), false);
    EXPECT_EQ(k.next_check(true, false), t0 + 11s);
    EXPECT_EQ(k.check(t0 + 10999ms, true, false), Due::Nothing);
    EXPECT_EQ(k.check(t0 + 11s, true, false), Due::MessageStalled);

    // What is left after a whole message began in the latest read, not at the first one.
    KeepAlive next(10s, 30s);
    next.start(t0);
    next.received(t0 + 1s, true);
    next.received(t0 + 8s, false);
    next.message_taken();
    EXPECT_EQ(next.check(t0 + 17s, true, false), Due::Nothing);
    EXPECT_EQ(next.check(t0 + 18s, true, false), Due::MessageStalled);
}

TEST(KeepAlive, OutputThatDoesNotMoveFailsFirst) {
    KeepAlive k(10s, 30s);
    k.start(t0);
    k.sent(t0 + 5s);
    EXPECT_EQ(k.next_check(false, true), t0 + 15s);
    EXPECT_EQ(k.check(t0 + 14s, false, true), Due::Nothing);
    EXPECT_EQ(k.check(t0 + 60s, false, false), Due::Ping);  // nothing waits: no stall, only quiet
    // Output stuck, a message half read and the question unanswered: the output is the reason.
    EXPECT_EQ(k.check(t0 + 80s, true, true), Due::OutputStalled);
    k.received(t0 + 79s, true);
    EXPECT_EQ(k.check(t0 + 80s, true, false), Due::Nothing);
    EXPECT_EQ(k.check(t0 + 89s, true, false), Due::MessageStalled);
}

TEST(KeepAlive, NextCheckIsTheEarliestMomentSomethingIsDue) {
    // Whatever the state, nothing is due just before next_check and something is at it.
    for (const bool partial : {false, true}) {
        for (const bool pending : {false, true}) {
            SCOPED_TRACE(testing::Message() << "partial " << partial << ", pending " << pending);
            KeepAlive k(7s, 20s);
            k.start(t0);
            k.received(t0 + 3s, true);
            k.sent(t0 + 1s);
            const SteadyTime at = k.next_check(partial, pending);
            KeepAlive before = k;
            EXPECT_EQ(before.check(at - 1ms, partial, pending), Due::Nothing);
            EXPECT_NE(k.check(at, partial, pending), Due::Nothing);
        }
    }
}

}  // namespace
}  // namespace corvel
