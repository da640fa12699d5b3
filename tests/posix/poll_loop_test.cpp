#include "platform/posix/poll_loop.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/tws_socket/socket.h"

namespace corvel {
namespace {

using namespace std::chrono_literals;

struct Pair {
    net::Socket a, b;
    Pair() {
        std::string error;
        EXPECT_TRUE(net::socket_pair(a, b, error)) << error;
    }
    void make_readable() {
        const char byte = 1;
        net::send_some(b.get(), &byte, 1);
    }
    void drain() {
        char buffer[64];
        while (net::recv_some(a.get(), buffer, sizeof buffer).status == net::IoStatus::Done) {
        }
    }
};

struct Handler final : IoHandler {
    int ready = 0;
    int timers = 0;
    std::function<void()> on_read;
    std::function<void()> on_time;
    void on_ready(bool readable, bool) override {
        ++ready;
        if (readable && on_read) on_read();
    }
    void on_timer() override {
        ++timers;
        if (on_time) on_time();
    }
};

TEST(PollLoop, DeliversReadinessOfEveryWatchedSocket) {
    PollLoop loop;
    Pair one, two;
    Handler h1, h2;
    h1.on_read = [&] { one.drain(); };
    h2.on_read = [&] { two.drain(); };
    loop.watch(one.a.get(), h1, false);
    loop.watch(two.a.get(), h2, false);
    one.make_readable();
    two.make_readable();
    loop.run_once(1s);
    EXPECT_EQ(h1.ready, 1);
    EXPECT_EQ(h2.ready, 1);
    loop.run_once(0ms);
    EXPECT_EQ(h1.ready, 1);  // drained: nothing more
}

TEST(PollLoop, AHandlerEndedByAnEarlierOneInTheSameRoundIsNotCalled) {
    PollLoop loop;
    Pair one, two;
    Handler first;
    auto second = std::make_unique<Handler>();
    first.on_read = [&] {
        one.drain();
        loop.unwatch(two.a.get());
        second.reset();  // and gone altogether
    };
    loop.watch(one.a.get(), first, false);
    loop.watch(two.a.get(), *second, false);
    one.make_readable();
    two.make_readable();
    loop.run_once(1s);
    EXPECT_EQ(first.ready, 1);
    EXPECT_FALSE(second);
    EXPECT_EQ(loop.watch_count(), 1U);
}

TEST(PollLoop, ProcessPendingFromInsideAHandlerDeliversWhatElseArrived) {
    PollLoop loop;
    Pair one, two;
    Handler outer, inner;
    inner.on_read = [&] { two.drain(); };
    outer.on_read = [&] {
        one.drain();
        two.make_readable();
        loop.ProcessPending();
    };
    loop.watch(one.a.get(), outer, false);
    loop.watch(two.a.get(), inner, false);
    one.make_readable();
    loop.run_once(1s);
    EXPECT_EQ(outer.ready, 1);
    EXPECT_EQ(inner.ready, 1);
}

TEST(PollLoop, ProcessPendingLooksAtMostOncePerInterval) {
    // Longer than any machine's uptime: the first look must not depend on when the clock started.
    PollLoop loop(std::chrono::microseconds(std::chrono::hours(24 * 365 * 50)));
    Pair one;
    Handler h;
    h.on_read = [&] { one.drain(); };
    loop.watch(one.a.get(), h, false);
    one.make_readable();
    loop.ProcessPending();
    EXPECT_EQ(h.ready, 1);
    one.make_readable();
    loop.ProcessPending();  // within the interval: no system call, nothing delivered
    EXPECT_EQ(h.ready, 1);
    loop.run_once(1s);  // the loop itself always looks
    EXPECT_EQ(h.ready, 2);
}

TEST(PollLoop, TimersFireOnceWhenDueAndCanBeMovedOrCancelled) {
    PollLoop loop;
    Handler h, other;
    const auto now = std::chrono::steady_clock::now();
    loop.set_timer(h, now + 20ms);
    loop.set_timer(other, now + 20ms);
    loop.cancel_timer(other);
    loop.run_once(0ms);
    EXPECT_EQ(h.timers, 0);
    const auto start = std::chrono::steady_clock::now();
    loop.run_once(5s);  // waits for the timer, not for the whole timeout
    EXPECT_EQ(h.timers, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(other.timers, 0);
    // A handler that sets its timer again for a time already past runs once per round, not forever.
    h.on_time = [&] { loop.set_timer(h, std::chrono::steady_clock::now() - 1ms); };
    loop.set_timer(h, now);
    loop.run_once(0ms);
    EXPECT_EQ(h.timers, 2);
    loop.run_once(0ms);
    EXPECT_EQ(h.timers, 3);
    loop.cancel_timer(h);
}

TEST(PollLoop, RunUntilStopsWhenDoneOrAtTheDeadline) {
    PollLoop loop;
    Handler h;
    bool fired = false;
    h.on_time = [&] { fired = true; };
    loop.set_timer(h, std::chrono::steady_clock::now() + 10ms);
    EXPECT_TRUE(loop.run_until([&] { return fired; }, std::chrono::steady_clock::now() + 5s));
    EXPECT_FALSE(loop.run_until([] { return false; }, std::chrono::steady_clock::now() + 20ms));
}

}  // namespace
}  // namespace corvel
