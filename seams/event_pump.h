#pragma once

namespace corvel {

// The owner thread's event delivery. `ProcessPending` lets the thread handle what has arrived so far
// (socket readiness, window messages) without waiting; tick intake calls it after notifying its caller,
// which may deliver further ticks re-entrantly.
class EventPump {
  public:
    virtual ~EventPump() = default;
    virtual void ProcessPending() = 0;
};

}  // namespace corvel
