#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/automation_error.h"
#include "market_data/tws_environment.h"
#include "platform/memory/memory_registry.h"
#include "seams/clock.h"
#include "seams/event_pump.h"
#include "seams/tws_control.h"
#include "tests/support/manual_clock.h"

namespace corvel::fakes {

// What the scripted TWS control was asked to do, and what it will do next. Tests keep this while the
// connection object owns the control itself.
struct ControlScript {
    struct Call {
        std::string name;  // "connect", "disconnect", "request", "cancel"
        std::int32_t id = 0;
        std::string host;
        std::int32_t port = 0;
        std::int32_t client_id = 0;
        ContractRequest contract;
        std::string generic_ticks;
        bool snapshot = false;
    };

    std::vector<Call> calls;
    // A call whose name is here throws this error (once, or every time with `fail_always`).
    std::optional<AutomationError> failure;
    std::string failing_call;
    bool fail_always = false;
    TwsControlEvents* events = nullptr;
    bool control_alive = false;
    // Runs inside the connect call, before it succeeds or fails: a control reports there as it connects.
    std::function<void()> on_connect;

    void fail(std::string call, bool always = false) {
        failing_call = std::move(call);
        fail_always = always;
        failure = AutomationError(504, "FakeTws", "Not connected");
    }
    std::vector<Call> calls_named(const std::string& name) const;

    // Events as the control would raise them.
    void price(std::int32_t id, std::int32_t type, double value) const;
    void size(std::int32_t id, std::int32_t type, double value) const;
    void error(std::int32_t id, std::int32_t code, const std::string& message) const;
};

class ScriptedTwsControl final : public TwsControl {
  public:
    explicit ScriptedTwsControl(std::shared_ptr<ControlScript> script);
    ~ScriptedTwsControl() override;

    void set_events(TwsControlEvents* events) override { script_->events = events; }
    void connect(const std::string& host, std::int32_t port, std::int32_t client_id) override;
    void disconnect() override;
    void request_market_data(std::int32_t ticker_id, const ContractRequest& contract,
                             const std::string& generic_ticks, bool snapshot) override;
    void cancel_market_data(std::int32_t ticker_id) override;

  private:
    void record(ControlScript::Call call);
    std::shared_ptr<ControlScript> script_;
};

// A pump whose pending work is a queue of actions the test puts there: ticks that "arrive" while the
// caller's handler runs, delivered re-entrantly from inside ProcessPending.
class ScriptedPump final : public EventPump {
  public:
    void ProcessPending() override;
    void post(std::function<void()> action) { pending_.push_back(std::move(action)); }
    int process_count() const noexcept { return process_count_; }
    // Makes the next ProcessPending throw.
    void fail_next() { fail_next_ = true; }

  private:
    std::deque<std::function<void()>> pending_;
    int process_count_ = 0;
    bool fail_next_ = false;
};

// A complete environment for connection objects, with every part reachable by the test.
struct FakeEnvironment {
    std::shared_ptr<ControlScript> script = std::make_shared<ControlScript>();
    std::shared_ptr<ScriptedPump> pump = std::make_shared<ScriptedPump>();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<MemoryRegistry> registry = std::make_shared<MemoryRegistry>();

    TwsEnvironment environment() const;
};

}  // namespace corvel::fakes
