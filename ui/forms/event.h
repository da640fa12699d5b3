#pragma once

#include <functional>
#include <utility>

namespace corvel::forms {

// One event of a control or form with at most one handler, the way a dialog wires its procedures:
// `ButAdd.Click = [this] { ButAdd_Click(); };`. Raising an event without a handler does nothing.
template <class... Args>
class Event {
  public:
    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    template <class Handler>
    Event& operator=(Handler&& handler) {
        handler_ = std::forward<Handler>(handler);
        return *this;
    }
    void operator()(Args... args) const {
        if (handler_) handler_(args...);
    }
    explicit operator bool() const noexcept { return static_cast<bool>(handler_); }

  private:
    std::function<void(Args...)> handler_;
};

}  // namespace corvel::forms
