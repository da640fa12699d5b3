#pragma once

#include "seams/clock.h"

namespace corvel::fakes {

// A clock that says what the test sets, advancing by `step` on every reading.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(double start = 46000.5, double step = 0.0) : now_(start), step_(step) {}
    double now() override {
        const double t = now_;
        now_ += step_;
        return t;
    }
    void set(double value) { now_ = value; }
    void set_step(double step) { step_ = step; }

  private:
    double now_;
    double step_;
};

}  // namespace corvel::fakes
