#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

#include "seams/io_reactor.h"

namespace corvel {

// Keeps outgoing messages below a rate: at most `limit` of them in any `window`, however they are
// spread. A message the window has no room for waits, and messages go out in the order they were
// offered: none overtakes one that waits.
class Pacer {
  public:
    // A limit below 1 is taken as 1.
    Pacer(int limit, std::chrono::milliseconds window);

    // At `t`: appends `message` to `out` when the window has room and nothing waits, else keeps a
    // copy for `release`. True when it went to `out`.
    bool offer(std::string_view message, SteadyTime t, std::string& out);
    // Appends to `out` what waits and the window takes at `t`; returns how many messages went.
    std::size_t release(SteadyTime t, std::string& out);

    bool waiting() const noexcept { return !waiting_.empty(); }
    // When the window next has room: the moment to call `release` while messages wait.
    SteadyTime next_room() const noexcept;

  private:
    bool has_room(SteadyTime t) const noexcept;
    void sent_at(SteadyTime t);

    std::size_t limit_;
    std::chrono::milliseconds window_;
    std::deque<SteadyTime> recent_;  // the latest sends, at most `limit_` of them, oldest first
    std::deque<std::string> waiting_;
};

}  // namespace corvel
