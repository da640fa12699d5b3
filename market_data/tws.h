#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/app_settings.h"
#include "common/ref.h"
#include "market_data/condensing.h"
#include "market_data/frm_tws.h"
#include "market_data/tick_type.h"
#include "market_data/tws_datas.h"
#include "market_data/tws_environment.h"

namespace corvel {

// The outgoing events of a connection object.
class TwsEventSink {
  public:
    // Ticks are waiting in the buffer (never raised while a previous one is still running).
    virtual void IBTWSDatas() = 0;
    // A delivery had to condense; `MsgDate` is the local time of the condensing.
    virtual void IBTWSdataLoss(double MsgDate) = 0;
    // An error message of the TWS control.
    virtual void IBTWSErrMsg(std::int32_t id, std::int32_t errorCode, const std::string& errorMsg) = 0;

  protected:
    ~TwsEventSink() = default;
};

// One connection to a TWS through its control, with any number of market-data subscriptions. Ticks
// of the accepted types are filtered, paired and buffered as records keyed "a" plus a running number;
// `GetCurrentData` hands them over, condensed to first, low, high and last points per subscription
// and tick type when `MaxRecord` or more are waiting.
//
// Everything runs on the creating thread. Create it with `make_ref`: handlers may release the last
// reference from inside an event, so the object keeps itself alive while it raises one.
class cTWS final : public RefCounted<cTWS>, private frmTWSEvents {
  public:
    static constexpr const char* kDefaultGenericTicks = "100,101,104,105,107,165,225,232,233,236";
    static constexpr const char* kSettingsSection = "SettingsCorvel";
    static constexpr const char* kGenericTicksKey = "CorvelgenericTicks";
    static constexpr std::int32_t kCounterWrap = 2147483640;  // 0x7FFFFFF8
    // The source every error of the connection object carries, whichever layer raises it.
    static constexpr const char* kErrorSource = "Tallowin3.cTWS";

    explicit cTWS(const TwsEnvironment& environment);
    ~cTWS();
    cTWS(const cTWS&) = delete;
    cTWS& operator=(const cTWS&) = delete;

    std::int32_t MaxRecord() const noexcept { return max_record_; }
    void MaxRecord(std::int32_t value) noexcept { max_record_ = value; }
    std::int32_t MaxID() const noexcept { return max_id_; }
    void MaxID(std::int32_t value) noexcept { max_id_ = value; }
    const Ref<cTWSDatas>& copy_cTWSDatas() const noexcept { return copy_; }
    void copy_cTWSDatas(Ref<cTWSDatas> value) noexcept { copy_ = std::move(value); }

    // The waiting ticks, moved or condensed into the result collection (always moved when called from
    // the IBTWSdataLoss handler, which raises no second event); null while not connected or on any
    // failure.
    Ref<cTWSDatas> GetCurrentData();
    // Accepts one more tick type (0 to 50; anything else is ignored).
    void AddRecordFilter(std::int32_t IndTickType) noexcept;
    // False when the control refused the connect call; errors are reported only through the result.
    bool Connect(std::string_view Host, std::int32_t Port, std::int32_t clientId);
    void disconnect();
    void StartQuery(std::int32_t id, std::string_view symbol, std::string_view secType,
                    std::string_view expiri, double strike, std::string_view pRight,
                    std::string_view multiplier, std::string_view exchange, std::string_view PrimaryExchange,
                    std::string_view curency);
    void StopQuery(std::int32_t id);

    // Event connection: the returned cookie (never 0) ends it again through `Unadvise`.
    std::uint32_t Advise(TwsEventSink* sink);
    void Unadvise(std::uint32_t cookie) noexcept;

    // --- Read-only views for diagnostics and tests.
    const cTWSDatas& live_buffer() const noexcept { return *live_; }
    const frmTWS& form() const noexcept { return *form_; }
    const std::string& generic_ticks() const noexcept { return generic_ticks_; }
    std::int32_t record_counter() const noexcept { return record_counter_; }
    // Lets a test start the counter near its wrap.
    void set_record_counter_for_test(std::int32_t value) noexcept { record_counter_ = value; }

  private:
    // Pairing state of one subscription id: per side (bid, ask, last) whether a price armed the next
    // size, and the last size recorded.
    struct PairState {
        bool price_seen[3] = {false, false, false};
        double last_size[3] = {0.0, 0.0, 0.0};
    };

    void RunEvent(std::int32_t id, std::int32_t tick_type, double value) override;
    void TwsErrMsg(std::int32_t id, std::int32_t error_code, const std::string& message) override;

    PairState& pairing(std::int32_t id);
    void notify();
    void move_records(cTWSDatas& result);
    // Calls `raise` on every sink; true when none failed.
    template <class Raise>
    bool raise_to_sinks(Raise&& raise) noexcept;

    std::shared_ptr<EventPump> pump_;
    std::shared_ptr<Clock> clock_;
    std::shared_ptr<CAppSettings> settings_;
    std::unique_ptr<frmTWS> form_;
    Ref<cTWSDatas> live_;  // m_cTWSDatas
    Ref<cTWSDatas> copy_;  // copy_cTWSDatas

    std::int32_t max_record_ = 1000;
    std::int32_t max_id_ = 0;
    std::bitset<kMaxFilterType + 1> record_filter_;
    std::vector<PairState> pairing_dense_;                       // ids 0 .. largest started id
    std::unordered_map<std::int32_t, PairState> pairing_other_;  // any other id
    std::int32_t record_counter_ = 0;
    bool raising_ = false;
    bool reporting_loss_ = false;  // while IBTWSdataLoss is being raised
    std::string generic_ticks_;
    Condenser condenser_;

    std::vector<TwsEventSink*> sinks_;  // slot + 1 is the cookie; null slots are ended connections
};

}  // namespace corvel
