#pragma once

#include <functional>
#include <memory>

#include "seams/clock.h"
#include "seams/event_pump.h"
#include "seams/registry.h"
#include "seams/tws_control.h"

namespace corvel {

// Everything outside the market-data engine that a connection object uses: the binding that creates
// objects (the COM server, a tool, a test) fills it once and hands it to every object it creates.
struct TwsEnvironment {
    // Makes the TWS control a new connection object hosts.
    std::function<std::unique_ptr<TwsControl>()> create_control;
    // The owner thread's pending-event processing (re-entry point of tick intake).
    std::shared_ptr<EventPump> pump;
    // Local time for tick records and condensing events.
    std::shared_ptr<Clock> clock;
    // Where the settings store keeps the generic-tick list.
    std::shared_ptr<Registry> registry;
};

}  // namespace corvel
