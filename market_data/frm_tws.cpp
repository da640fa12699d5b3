#include "market_data/frm_tws.h"

#include <stdexcept>

namespace corvel {

frmTWS::frmTWS(std::unique_ptr<TwsControl> control) : control_(std::move(control)) {
    if (!control_) throw std::invalid_argument("frmTWS needs a TWS control");
    control_->set_events(this);
}

frmTWS::~frmTWS() {
    try {
        control_->set_events(nullptr);
    } catch (...) {
        // The form goes away regardless.
    }
}

void frmTWS::on_tick_price(std::int32_t ticker_id, std::int32_t tick_type, double price, std::int32_t) {
    if (!start_stop_ || !(price >= 0) || !events_) return;
    try {
        events_->RunEvent(ticker_id, tick_type, price);
    } catch (...) {
        // Cleared: the control never sees its owner's failures.
    }
}

void frmTWS::on_tick_size(std::int32_t ticker_id, std::int32_t tick_type, double size) {
    if (!start_stop_ || !(size >= 0) || !events_) return;
    try {
        events_->RunEvent(ticker_id, tick_type, size);
    } catch (...) {
        // Cleared, as for prices.
    }
}

void frmTWS::on_error(std::int32_t id, std::int32_t error_code, const std::string& message) {
    if (!start_stop_ || !events_) return;
    try {
        events_->TwsErrMsg(id, error_code, message);
    } catch (...) {
        // Cleared, as for ticks.
    }
}

}  // namespace corvel
