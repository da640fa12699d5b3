#pragma once

#include <cstdint>

namespace corvel {

// A window as the platform names it; 0 is no window. The in-memory screen hands out its own numbers.
using WindowHandle = std::uintptr_t;

}  // namespace corvel
