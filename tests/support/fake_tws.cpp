#include "tests/support/fake_tws.h"

namespace corvel::fakes {

std::vector<ControlScript::Call> ControlScript::calls_named(const std::string& name) const {
    std::vector<Call> out;
    for (const auto& c : calls) {
        if (c.name == name) out.push_back(c);
    }
    return out;
}

void ControlScript::price(std::int32_t id, std::int32_t type, double value) const {
    if (events) events->on_tick_price(id, type, value, 0);
}

void ControlScript::size(std::int32_t id, std::int32_t type, double value) const {
    if (events) events->on_tick_size(id, type, value);
}

void ControlScript::error(std::int32_t id, std::int32_t code, const std::string& message) const {
    if (events) events->on_error(id, code, message);
}

ScriptedTwsControl::ScriptedTwsControl(std::shared_ptr<ControlScript> script) : script_(std::move(script)) {
    script_->control_alive = true;
}

ScriptedTwsControl::~ScriptedTwsControl() {
    script_->control_alive = false;
    script_->events = nullptr;
}

void ScriptedTwsControl::record(ControlScript::Call call) {
    const std::string name = call.name;
    script_->calls.push_back(std::move(call));
    if (script_->failure && script_->failing_call == name) {
        const AutomationError error = *script_->failure;
        if (!script_->fail_always) script_->failure.reset();
        throw error;
    }
}

void ScriptedTwsControl::connect(const std::string& host, std::int32_t port, std::int32_t client_id) {
    ControlScript::Call c;
    c.name = "connect";
    c.host = host;
    c.port = port;
    c.client_id = client_id;
    if (script_->on_connect) script_->on_connect();
    record(std::move(c));
}

void ScriptedTwsControl::disconnect() {
    ControlScript::Call c;
    c.name = "disconnect";
    record(std::move(c));
}

void ScriptedTwsControl::request_market_data(std::int32_t ticker_id, const ContractRequest& contract,
                                             const std::string& generic_ticks, bool snapshot) {
    ControlScript::Call c;
    c.name = "request";
    c.id = ticker_id;
    c.contract = contract;
    c.generic_ticks = generic_ticks;
    c.snapshot = snapshot;
    record(std::move(c));
}

void ScriptedTwsControl::cancel_market_data(std::int32_t ticker_id) {
    ControlScript::Call c;
    c.name = "cancel";
    c.id = ticker_id;
    record(std::move(c));
}

void ScriptedPump::ProcessPending() {
    ++process_count_;
    if (fail_next_) {
        fail_next_ = false;
        throw std::runtime_error("pump failure");
    }
    while (!pending_.empty()) {
        auto action = std::move(pending_.front());
        pending_.pop_front();
        action();
    }
}

TwsEnvironment FakeEnvironment::environment() const {
    TwsEnvironment env;
    auto script_copy = script;
    env.create_control = [script_copy] { return std::make_unique<ScriptedTwsControl>(script_copy); };
    env.pump = pump;
    env.clock = clock;
    env.registry = registry;
    return env;
}

}  // namespace corvel::fakes
