#pragma once

#include <memory>

#include "seams/tws_control.h"

namespace corvel::win32 {

// The TWS control of a connection object: the native TWS socket client, its socket driven by a hidden
// window of the creating thread, so that every event arrives through that thread's message loop.
std::unique_ptr<TwsControl> make_tws_window_control();

}  // namespace corvel::win32
