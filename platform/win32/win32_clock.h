#pragma once

#include "seams/clock.h"

namespace corvel::win32 {

// Local time from the system clock, as an OLE date.
class Win32Clock final : public Clock {
  public:
    double now() override;
};

}  // namespace corvel::win32
