#pragma once

#include <cstdint>
#include <string>

namespace corvel {

// The contract fields of a market-data request, as the caller of StartQuery gives them.
struct ContractRequest {
    std::string symbol;
    std::string sec_type;
    std::string expiry;
    double strike = 0.0;
    std::string right;
    std::string multiplier;
    std::string exchange;
    std::string primary_exchange;
    std::string currency;
};

// What a TWS control reports to its owner. Every event arrives on the thread that owns the control.
class TwsControlEvents {
  public:
    // A price tick; the fourth value (can-auto-execute and friends) is passed on but means nothing here.
    virtual void on_tick_price(std::int32_t ticker_id, std::int32_t tick_type, double price,
                               std::int32_t attributes) = 0;
    // A size tick. Sizes may be fractional on newer servers, so they travel as doubles.
    virtual void on_tick_size(std::int32_t ticker_id, std::int32_t tick_type, double size) = 0;
    virtual void on_error(std::int32_t id, std::int32_t error_code, const std::string& message) = 0;

  protected:
    ~TwsControlEvents() = default;
};

// The TWS control: the four calls the connection object makes and the three events it listens to.
//
// Calls report failure by throwing `AutomationError`. Events are delivered to the sink given with
// `set_events`. The owner may destroy the control from inside any event it delivers (its caller's
// handler can release the last reference to the connection object), so a control must not touch its
// own state after a callback returns unless it knows it is still alive.
class TwsControl {
  public:
    virtual ~TwsControl() = default;

    virtual void set_events(TwsControlEvents* events) = 0;
    virtual void connect(const std::string& host, std::int32_t port, std::int32_t client_id) = 0;
    virtual void disconnect() = 0;
    virtual void request_market_data(std::int32_t ticker_id, const ContractRequest& contract,
                                     const std::string& generic_ticks, bool snapshot) = 0;
    virtual void cancel_market_data(std::int32_t ticker_id) = 0;
};

}  // namespace corvel

namespace corvel::tws {

// Whether an error event means the connection is gone: the client's own connection failures, and
// the codes with which TWS ends a session (client id in use, socket port changed).
constexpr bool ends_connection(std::int32_t code) noexcept {
    switch (code) {
        case 502:
        case 503:
        case 506:
        case 507:
        case 508:
        case 509:
        case 326:
        case 1300:
            return true;
        default:
            return false;
    }
}

// TWS's informational notices (farm status and the like): not errors at all.
constexpr bool is_notice(std::int32_t code) noexcept {
    return code >= 2100 && code <= 2169;
}

}  // namespace corvel::tws
