#pragma once

namespace corvel {

// The local wall clock, behind a seam so that tests fix time and the bindings pick the cheapest source.
class Clock {
  public:
    virtual ~Clock() = default;
    // The current local date and time as an OLE date (days since 30 December 1899).
    virtual double now() = 0;
};

}  // namespace corvel
