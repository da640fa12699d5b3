#include "market_data/tws.h"

#include <stdexcept>

#include "common/automation_error.h"
#include "market_data/global.h"

namespace corvel {

cTWS::cTWS(const TwsEnvironment& environment)
    : pump_(environment.pump), clock_(environment.clock) {
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
    if (IndTickType >= 0 && IndTickType <= kMaxFilterType) record_filter_.set(static_cast<std::size_t>(IndTickType));
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
        generic_ticks_ = settings_->GetSetting(kSettingsSection, kGenericTicksKey, kDefaultGenericTicks).to_text();
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

void cTWS::StartQuery(std::int32_t id, std::string_view symbol, std::string_view secType, std::string_view expiri,
                      double strike, std::string_view pRight, std::string_view multiplier,
                      std::string_view exchange, std::string_view PrimaryExchange, std::string_view curency) {
    if (id > 0) pairing(id) = PairState{};
    if (generic_ticks_.empty()) generic_ticks_ = kDefaultGenericTicks;
    ContractRequest contract{std::string(symbol),   std::string(secType),  std::string(expiri),
                             strike,                std::string(pRight),   std::string(multiplier),
                             std::string(exchange), std::string(PrimaryExchange), std::string(curency)};
    form_->Tws1().request_market_data(id, contract, generic_ticks_, false);
}

void cTWS::StopQuery(std::int32_t id) { form_->Tws1().cancel_market_data(id); }

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
    if (id >= 0 && static_cast<std::size_t>(id) < pairing_dense_.size()) return pairing_dense_[static_cast<std::size_t>(id)];
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
    if (tick_type < 0 || tick_type > kMaxFilterType || !record_filter_.test(static_cast<std::size_t>(tick_type))) {
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
        condense(*result);
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

namespace {

// Tick types written out by condensing, in output order: the price-like types of 1 to 9, then every
// further accepted type (10 to 50), which condenses by the same first/low/high/last rules.
constexpr bool is_size_type(std::int32_t t) noexcept { return t == BID_SIZE || t == ASK_SIZE || t == LAST_SIZE; }
constexpr std::int32_t paired_price(std::int32_t size_type) noexcept {
    return size_type == BID_SIZE ? BID_PRICE : size_type == ASK_SIZE ? ASK_PRICE : LAST_PRICE;
}
constexpr std::int32_t paired_size(std::int32_t price_type) noexcept {
    return price_type == BID_PRICE ? BID_SIZE : price_type == ASK_PRICE ? ASK_SIZE : LAST_SIZE;
}
constexpr bool has_size(std::int32_t t) noexcept { return t == BID_PRICE || t == ASK_PRICE || t == LAST_PRICE; }

void start_bar(TWSBar& b, const cTWSData& r) {
    b.BarKey = r.NameID;
    b.id = r.id;
    b.OpenPrice = b.LowPrice = b.HighPrice = b.LastPrice = r.Price;
    b.OpenTime = b.LowTime = b.HighTime = b.LastTime = r.sDate;
}

// High, low and last updates of a started bar; price types with a paired size also move the size target.
void update_bar(TWSBar& b, const cTWSData& r, bool track_size) {
    if (r.Price > b.HighPrice) {
        b.HighPrice = r.Price;
        b.HighTime = r.sDate;
        if (track_size) b.SizeTarget = 1;
    }
    if (r.Price < b.LowPrice) {
        b.LowPrice = r.Price;
        b.LowTime = r.sDate;
        if (track_size) b.SizeTarget = 2;
    }
    b.LastPrice = r.Price;
    b.LastTime = r.sDate;
}

void attach_size(TWSBar& t, std::int32_t size_type, double s) {
    switch (t.SizeTarget) {
        case 0: t.OpenSize = s; break;
        case 1: t.HighSize = s; break;
        case 2: t.LowSize = s; break;
        default:
            if (size_type == LAST_SIZE) t.SizeCarry += s;
            break;
    }
    t.LastSize = s;
    t.SizeTarget = 3;
}

void normalize_bar(TWSBar& b) {
    if (b.BarKey.empty()) return;
    if (b.OpenPrice == b.LowPrice || b.LastPrice == b.LowPrice) b.LowPrice = 0;
    if (b.OpenPrice == b.HighPrice || b.LastPrice == b.HighPrice) b.HighPrice = 0;
    if (b.HighPrice == 0 && b.OpenPrice == b.LastPrice) b.LastPrice = 0;
    if (b.HighTime < b.LowTime) {
        std::swap(b.LowPrice, b.HighPrice);
        std::swap(b.LowTime, b.HighTime);
        std::swap(b.LowSize, b.HighSize);
    }
}

// Key of a condensed record: point letter, id, "_", type, "_", point, and for a size record "_" and
// the size type.
void append_number(std::string& out, std::int32_t v) {
    char digits[12];
    int n = 0;
    auto magnitude = static_cast<std::uint32_t>(v);
    if (v < 0) {
        out.push_back('-');
        magnitude = 0u - magnitude;
    }
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (n > 0) out.push_back(digits[--n]);
}

RecordKey bar_key(int point, std::int32_t id, std::int32_t type, std::int32_t size_type) {
    std::string text;
    text.push_back("defg"[point - 1]);
    append_number(text, id);
    text.push_back('_');
    append_number(text, type);
    text.push_back('_');
    append_number(text, point);
    if (size_type >= 0) {
        text.push_back('_');
        append_number(text, size_type);
    }
    return RecordKey(text);
}

}  // namespace

void cTWS::condense(cTWSDatas& result) {
    RecordStore& live = live_->store();
    const std::uint32_t n = live.size();
    bars_.reset(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const cTWSData& r = *live.at(i);
        if (!(r.Price > 0) || r.TickType < 0 || r.TickType >= BarTable::kTypes) continue;
        if (is_size_type(r.TickType)) {
            // Only the paired price bar's size fields matter; the size type's own bar is never written.
            attach_size(bars_.bar(r.id, paired_price(r.TickType)), r.TickType, r.Price);
            continue;
        }
        TWSBar& b = bars_.bar(r.id, r.TickType);
        const bool track_size = has_size(r.TickType);
        if (b.OpenPrice == 0) {
            start_bar(b, r);
            if (track_size) b.SizeTarget = 0;
        } else {
            update_bar(b, r, track_size);
        }
    }
    const std::vector<std::int32_t> ids = bars_.ids();
    for (const std::int32_t id : ids) {
        for (std::int32_t type = 1; type < BarTable::kTypes; ++type) {
            if (TWSBar* b = bars_.find(id, type); b && !is_size_type(type)) normalize_bar(*b);
        }
    }
    for (int point = 1; point <= 4; ++point) {
        for (std::int32_t type = 1; type < BarTable::kTypes; ++type) {
            if (!is_size_type(type) && bars_.has_type(type)) add_bar_records(result, type, point, ids);
        }
    }
    // The ticks leave the buffer only now that their condensed records are written: a failure on the
    // way leaves them waiting for the next delivery instead of losing them.
    live.erase_front(n);
}

void cTWS::add_bar_records(cTWSDatas& result, std::int32_t type, int point, const std::vector<std::int32_t>& ids) {
    for (const std::int32_t id : ids) {
        const TWSBar* b = bars_.find(id, type);
        if (!b || b->BarKey.empty()) continue;
        double price, time, size;
        switch (point) {
            case 1: price = b->OpenPrice, time = b->OpenTime, size = b->OpenSize; break;
            case 2: price = b->LowPrice, time = b->LowTime, size = b->LowSize; break;
            case 3: price = b->HighPrice, time = b->HighTime, size = b->HighSize; break;
            default: price = b->LastPrice, time = b->LastTime, size = b->LastSize + b->SizeCarry; break;
        }
        if (!(price > 0)) continue;
        cTWSData& v = result.item_add(bar_key(point, b->id, type, -1));
        v.id = b->id;
        v.Price = price;
        v.sDate = time;
        v.TickType = type;
        if (has_size(type)) {
            const std::int32_t size_type = paired_size(type);
            cTWSData& w = result.item_add(bar_key(point, b->id, type, size_type));
            w.id = b->id;
            w.Price = size;
            w.sDate = time;
            w.TickType = size_type;
        }
    }
}

}  // namespace corvel
