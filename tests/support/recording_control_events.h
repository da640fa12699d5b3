#pragma once

#include <functional>
#include <string>
#include <vector>

#include "seams/tws_control.h"

namespace corvel::fakes {

// Records what a TWS control reports, in order, and runs whatever the test puts in its hook.
class RecordingControlEvents final : public TwsControlEvents {
  public:
    struct Event {
        char kind;  // 'p' price, 's' size, 'e' error
        std::int32_t id;
        std::int32_t type;  // tick type, or the error code
        double value;
        std::string text;
    };

    std::vector<Event> events;
    std::function<void(const Event&)> hook;

    void on_tick_price(std::int32_t id, std::int32_t type, double price, std::int32_t) override {
        add({'p', id, type, price, {}});
    }
    void on_tick_size(std::int32_t id, std::int32_t type, double size) override {
        add({'s', id, type, size, {}});
    }
    void on_error(std::int32_t id, std::int32_t code, const std::string& message) override {
        add({'e', id, code, 0, message});
    }

    std::vector<Event> of_kind(char kind) const {
        std::vector<Event> out;
        for (const auto& e : events) {
            if (e.kind == kind) out.push_back(e);
        }
        return out;
    }
    std::vector<std::int32_t> error_codes() const {
        std::vector<std::int32_t> out;
        for (const auto& e : events) {
            if (e.kind == 'e') out.push_back(e.type);
        }
        return out;
    }

  private:
    void add(Event e) {
        events.push_back(e);
        if (hook) hook(events.back());
    }
};

}  // namespace corvel::fakes
