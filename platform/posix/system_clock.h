#pragma once

#include <cstdint>

#include "seams/clock.h"

namespace corvel {

// Local time from the system clock. Tick intake asks for the time once per tick, so this reads the
// coarse real-time clock (a few milliseconds of resolution, a few nanoseconds of cost) and keeps the
// local offset until the next quarter hour, when a daylight-saving change may have moved it.
class SystemClock final : public Clock {
  public:
    double now() override;

  private:
    std::int64_t offset_valid_until_ = INT64_MIN;
    std::int64_t offset_seconds_ = 0;
};

}  // namespace corvel
