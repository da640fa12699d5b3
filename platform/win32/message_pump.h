#pragma once

#include "platform/event_pump.h"

namespace corvel::win32 {

// Lets the thread handle the window messages that have arrived (socket readiness included), as the
// host application's own loop would, without waiting for more.
class MessagePump final : public EventPump {
public:
    void ProcessPending() override;
};

}  // namespace corvel::win32
