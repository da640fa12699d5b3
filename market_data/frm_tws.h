#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "seams/tws_control.h"

namespace corvel {

// What the hidden form raises to the connection object that owns it.
class frmTWSEvents {
  public:
    virtual void RunEvent(std::int32_t id, std::int32_t tick_type, double value) = 0;
    virtual void TwsErrMsg(std::int32_t id, std::int32_t error_code, const std::string& message) = 0;

  protected:
    ~frmTWSEvents() = default;
};

// The hidden host of the TWS control `Tws1`. It passes the control's events on while `StartStop` is
// True, refuses negative prices and sizes, and clears any error that comes back out of its own events:
// the control never sees a failure of the connection object or of the caller's handlers.
class frmTWS final : private TwsControlEvents {
  public:
    explicit frmTWS(std::unique_ptr<TwsControl> control);
    ~frmTWS();
    frmTWS(const frmTWS&) = delete;
    frmTWS& operator=(const frmTWS&) = delete;

    bool StartStop() const noexcept { return start_stop_; }
    void StartStop(bool value) noexcept { start_stop_ = value; }
    TwsControl& Tws1() noexcept { return *control_; }
    // Where the form's events go (the owner's `efrmTWS`); null stops them.
    void set_events(frmTWSEvents* events) noexcept { events_ = events; }

  private:
    void on_tick_price(std::int32_t ticker_id, std::int32_t tick_type, double price,
                       std::int32_t attributes) override;
    void on_tick_size(std::int32_t ticker_id, std::int32_t tick_type, double size) override;
    void on_error(std::int32_t id, std::int32_t error_code, const std::string& message) override;

    std::unique_ptr<TwsControl> control_;
    frmTWSEvents* events_ = nullptr;
    bool start_stop_ = false;
};

}  // namespace corvel
