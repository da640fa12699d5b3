#pragma once

#include <cstdint>

#include "seams/event_pump.h"

namespace corvel::win32 {

// Lets the thread handle the window messages that have arrived (socket readiness included), as the
// host application's own loop would, without waiting for more.
//
// Intake asks after every notification, which in a burst means thousands of times a second; each
// look at the queue is a call into the system (and a costly one under Wine). Looking at most once a
// millisecond keeps the host as responsive as ever while a burst goes through at full speed.
class MessagePump final : public EventPump {
  public:
    MessagePump();
    void ProcessPending() override;

  private:
    std::int64_t ticks_per_interval_ = 0;
    std::int64_t next_ = 0;
};

}  // namespace corvel::win32
