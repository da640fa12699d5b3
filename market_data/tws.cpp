#include "market_data/tws.h"

#include <stdexcept>

#include "common/automation_error.h"
#include "market_data/global.h"

namespace corvel {

cTWS::cTWS(const TwsEnvironment& environment) : pump_(environment.pump), clock_(environment.clock) {
    if (!environment.create_control || !pump_ || !clock_ || !environment.registry) {
        throw std::invalid_argument("cTWS needs a control factory, an event pump, a clock and a registry");
    }
    pairing_dense_.resize(1);  // the tables cover id 0 from the start
    settings_ = mGlobal::acquire_settings(environment.registry);
    form_ = std::make_unique<frmTWS>(environment.create_control());
    form_->set_events(this);
    live_ = make_ref<cTWSDatas>();
    copy_ = make_ref<cTWSDatas>();
}

cTWS::~cTWS() {
    // Every step with errors ignored: destruction reports nothing.
    settings_.reset();
    live_ = nullptr;
    copy_ = nullptr;
    form_->set_events(nullptr);
    try {
        form_->Tws1().disconnect();
    } catch (...) {
    }
    form_.reset();
}

void cTWS::AddRecordFilter(std::int32_t IndTickType) noexcept {
    if (IndTickType >= 0 && IndTickType <= kMaxFilterType)
        record_filter_.set(static_cast<std::size_t>(IndTickType));
}

bool cTWS::Connect(std::string_view Host, std::int32_t Port, std::int32_t clientId) {
    // A control reports why a connect fails while it is still connecting; the caller's handler of that
    // report may release the last reference to this object.
    const Ref<cTWS> keep_alive(ref_count() ? this : nullptr);
    try {
        if (!copy_) {
            throw AutomationError(vb_error::kObjectVariableNotSet, kErrorSource,
                                  vb_error::kObjectVariableNotSetText);
        }
        copy_->Clear();
        form_->StartStop(true);
        form_->Tws1().connect(std::string(Host), Port, clientId);
    } catch (...) {
        if (form_) form_->StartStop(false);
        return false;
    }
    try {
        generic_ticks_ =
            settings_->GetSetting(kSettingsSection, kGenericTicksKey, kDefaultGenericTicks).to_text();
    } catch (...) {
        // The list keeps its previous value.
    }
    return true;
}

void cTWS::disconnect() {
    form_->StartStop(false);
    form_->Tws1().disconnect();
    // A list never read (no successful Connect, no StartQuery) is empty: storing it would erase the
    // list the user keeps for the next session.
    if (generic_ticks_.empty()) return;
    try {
        settings_->SaveSetting(kSettingsSection, kGenericTicksKey, generic_ticks_);
    } catch (...) {
        // A settings failure is not the caller's concern.
    }
}

void cTWS::StartQuery(std::int32_t id, std::string_view symbol, std::string_view secType,
                      std::string_view expiri, double strike, std::string_view pRight,
                      std::string_view multiplier, std::string_view exchange,
                      std::string_view PrimaryExchange, std::string_view curency) {
    if (id > 0) pairing(id) = PairState{};
    if (generic_ticks_.empty()) generic_ticks_ = kDefaultGenericTicks;
    ContractRequest contract{
        std::string(symbol), std::string(secType),    std::string(expiri),   strike,
        std::string(pRight), std::string(multiplier), std::string(exchange), std::string(PrimaryExchange),
        std::string(curency)};
    form_->Tws1().request_market_data(id, contract, generic_ticks_, false);
}

void cTWS::StopQuery(std::int32_t id) {
    form_->Tws1().cancel_market_data(id);
}

std::uint32_t cTWS::Advise(TwsEventSink* sink) {
    if (!sink) throw std::invalid_argument("no event sink");
    if (!raising_) {
        // Reuse ended slots only between events, so a running raise never sees a slot change owner.
        for (std::size_t i = 0; i < sinks_.size(); ++i) {
            if (!sinks_[i]) {
                sinks_[i] = sink;
                return static_cast<std::uint32_t>(i + 1);
            }
        }
    }
    sinks_.push_back(sink);
    return static_cast<std::uint32_t>(sinks_.size());
}

void cTWS::Unadvise(std::uint32_t cookie) noexcept {
    if (cookie >= 1 && cookie <= sinks_.size()) sinks_[cookie - 1] = nullptr;
}

template <class Raise>
bool cTWS::raise_to_sinks(Raise&& raise) noexcept {
    bool ok = true;
    // By index: a handler may connect or end connections while we walk.
    for (std::size_t i = 0; i < sinks_.size(); ++i) {
        if (TwsEventSink* sink = sinks_[i]) {
            try {
                raise(*sink);
            } catch (...) {
                ok = false;
            }
        }
    }
    return ok;
}

void cTWS::TwsErrMsg(std::int32_t id, std::int32_t error_code, const std::string& message) {
    const Ref<cTWS> keep_alive(ref_count() ? this : nullptr);
    raise_to_sinks([&](TwsEventSink& s) { s.IBTWSErrMsg(id, error_code, message); });
}

// ---------------------------------------------------------------------------------------------------
// Intake

namespace {
// Side of the size pairing for types 0 to 5: bid (0, 1), ask (3, 2), last (5, 4).
constexpr int kSide[6] = {0, 0, 1, 1, 2, 2};
constexpr bool kIsPrice[6] = {false, true, true, false, true, false};
// Ids up to here keep their pairing state in a table grown by StartQuery, as the connection object
// always did; anything else (negative ids, ids never started, huge ids) in a map.
constexpr std::int32_t kDensePairingIds = 1 << 16;
}  // namespace

cTWS::PairState& cTWS::pairing(std::int32_t id) {
    if (id >= 0 && static_cast<std::size_t>(id) < pairing_dense_.size())
        return pairing_dense_[static_cast<std::size_t>(id)];
    if (id > 0 && id < kDensePairingIds) {
        // Growing keeps every other id's state; an id that had map state keeps it too.
        const std::size_t old_size = pairing_dense_.size();
        pairing_dense_.resize(static_cast<std::size_t>(id) + 1);
        for (std::size_t i = old_size; i < pairing_dense_.size(); ++i) {
            const auto it = pairing_other_.find(static_cast<std::int32_t>(i));
            if (it != pairing_other_.end()) {
                pairing_dense_[i] = it->second;
                pairing_other_.erase(it);
            }
        }
        return pairing_dense_[static_cast<std::size_t>(id)];
    }
    return pairing_other_[id];
}

void cTWS::RunEvent(std::int32_t id, std::int32_t tick_type, double value) {
    if (tick_type < 0 || tick_type > kMaxFilterType ||
        !record_filter_.test(static_cast<std::size_t>(tick_type))) {
        return;
    }
    if (tick_type < 6) {
        const int side = kSide[tick_type];
        if (kIsPrice[tick_type]) {
            if (value == 0) return;
            pairing(id).price_seen[side] = true;
        } else {
            PairState& state = pairing(id);
            if (state.price_seen[side]) {
                state.price_seen[side] = false;
            } else if (value == state.last_size[side] || value == 0) {
                return;
            }
            state.last_size[side] = value;
        }
    }
    const RecordKey key = RecordKey::numbered('a', static_cast<std::uint32_t>(record_counter_));
    if (++record_counter_ > kCounterWrap) record_counter_ = 1;
    if (live_) {
        cTWSData& record = live_->item_add(key);
        record.id = id;
        record.Price = value;
        record.sDate = clock_->now();
        record.TickType = tick_type;
    }
    notify();
}

void cTWS::notify() {
    if (raising_) return;  // the running notification covers this record
    const Ref<cTWS> keep_alive(ref_count() ? this : nullptr);
    raising_ = true;
    try {
        if (raise_to_sinks([](TwsEventSink& s) { s.IBTWSDatas(); })) pump_->ProcessPending();
    } catch (...) {
        // Cleared: a failing pump must not stop later notifications.
    }
    raising_ = false;
}

// ---------------------------------------------------------------------------------------------------
// Delivery

Ref<cTWSDatas> cTWS::GetCurrentData() {
    if (!form_->StartStop()) return nullptr;
    const Ref<cTWS> keep_alive(ref_count() ? this : nullptr);
    try {
        // Without a result collection there is nowhere to put the ticks: leave them waiting rather
        // than drop them.
        const Ref<cTWSDatas> result = copy_;
        if (!result) return nullptr;
        const std::uint32_t waiting = live_->store().size();
        // A call from inside the IBTWSdataLoss handler moves what waits: condensing again would raise
        // the event again (without end when MaxRecord is 0 or below) and would overwrite in place the
        // condensed points the handler has not read yet. The running event stands for this call too.
        if (reporting_loss_ || static_cast<std::int64_t>(waiting) < max_record_) {
            move_records(*result);
            return copy_;
        }
        condenser_.condense(*live_, *result);
        // The ticks leave the buffer only now that their condensed records are written: a failure on
        // the way leaves them waiting for the next delivery instead of losing them.
        live_->store().erase_front(waiting);
        const double now = clock_->now();
        reporting_loss_ = true;
        const bool told = raise_to_sinks([now](TwsEventSink& s) { s.IBTWSdataLoss(now); });
        reporting_loss_ = false;
        if (!told) return nullptr;
        return copy_;
    } catch (...) {
        return nullptr;
    }
}

void cTWS::move_records(cTWSDatas& result) {
    RecordStore& live = live_->store();
    RecordStore& out = result.store();
    while (live.size() > 0) {
        cTWSData* r = live.at(0);
        const auto [position, added] = out.find_or_append(r->NameID.folded(), [r] {
            // The buffered record itself moves: nobody else can see it, so this is the same as a new
            // record with its fields copied, without the allocation.
            r->add_ref();
            return r;
        });
        if (!added) {
            cTWSData* d = out.at(position);
            if (!d) {
                throw AutomationError(vb_error::kObjectVariableNotSet, kErrorSource,
                                      vb_error::kObjectVariableNotSetText);
            }
            d->id = r->id;
            d->Price = r->Price;
            d->sDate = r->sDate;
            d->TickType = r->TickType;
        }
        live.take_front()->release();
    }
    live.trim();
}

}  // namespace corvel
