#pragma once

#include <functional>
#include <utility>

#include "seams/io_reactor.h"

namespace corvel {

// Runs an action whenever its descriptor becomes readable: a wake-up socket, a Ctrl-C signal.
class ReadableHandler final : public IoHandler {
  public:
    explicit ReadableHandler(std::function<void()> action) : action_(std::move(action)) {}
    void on_ready(bool readable, bool) override {
        if (readable) action_();
    }
    void on_timer() override {}

  private:
    std::function<void()> action_;
};

}  // namespace corvel
