#include "tools/tws_sim/server_codec.h"

#include <charconv>
#include <cmath>

#include "platform/tws_socket/codec/field_codec.h"
#include "platform/tws_socket/codec/wire.h"

namespace corvel::sim {

using tws::Feature;
using tws::FieldCursor;
using tws::FrameBuilder;
using tws::supports;

VersionOffer parse_version_offer(std::string_view text) {
    VersionOffer offer;
    if (text.empty() || text.front() != 'v') return offer;
    text.remove_prefix(1);
    const std::size_t space = text.find(' ');
    if (space != std::string_view::npos) {
        offer.options = std::string(text.substr(space + 1));
        text = text.substr(0, space);
    }
    const std::size_t dots = text.find("..");
    const std::string_view low = text.substr(0, dots);
    const std::string_view high = dots == std::string_view::npos ? low : text.substr(dots + 2);
    std::int32_t min = 0, max = 0;
    if (!tws::parse_int32(low, min) || !tws::parse_int32(high, max) || min <= 0 || max < min) return offer;
    offer.ok = true;
    offer.min_version = min;
    offer.max_version = max;
    return offer;
}

namespace {

// Reads client fields in order; any failure makes the message "other, malformed".
class Reader {
  public:
    explicit Reader(std::string_view payload) : cursor_(payload) {}
    bool text(std::string& out) {
        std::string_view f;
        if (!cursor_.next(f)) return false;
        out.assign(f);
        return true;
    }
    bool skip() {
        std::string_view f;
        return cursor_.next(f);
    }
    std::size_t remaining() const noexcept { return cursor_.remaining(); }
    bool int32(std::int32_t& out) {
        std::string_view f;
        return cursor_.next(f) && tws::parse_int32(f, out);
    }
    // An integer a client may leave empty for 0, as some do for a contract id they do not know.
    bool int32_or_empty(std::int32_t& out) {
        std::string_view f;
        if (!cursor_.next(f)) return false;
        out = 0;
        return f.empty() || tws::parse_int32(f, out);
    }
    bool flag(bool& out) {
        std::int32_t v = 0;
        if (!int32(v)) return false;
        out = v != 0;
        return true;
    }
    bool real(double& out) {
        std::string_view f;
        if (!cursor_.next(f)) return false;
        out = 0;
        return tws::parse_double(f, out) != tws::FieldValue::Bad;
    }

  private:
    FieldCursor cursor_;
};

ClientMessage req_mkt_data(Reader& r, int sv) {
    ReqMktData m;
    ContractRequest& c = m.contract;
    std::string unused;
    if (!r.skip() || !r.int32(m.req_id)) return OtherMessage{tws::outgoing::kReqMktData, true};
    if (supports(sv, Feature::ReqMktDataConId) && !r.int32_or_empty(m.con_id))
        return OtherMessage{tws::outgoing::kReqMktData, true};
    if (!r.text(c.symbol) || !r.text(c.sec_type) || !r.text(c.expiry) || !r.real(c.strike) ||
        !r.text(c.right) || !r.text(c.multiplier) || !r.text(c.exchange) || !r.text(c.primary_exchange) ||
        !r.text(c.currency) || !r.skip()) {
        return OtherMessage{tws::outgoing::kReqMktData, true};
    }
    if (supports(sv, Feature::TradingClass) && !r.skip())
        return OtherMessage{tws::outgoing::kReqMktData, true};
    if (c.sec_type == "BAG") {
        // Each leg is four fields of at least one byte each: a count the payload cannot hold is
        // refused before anything is multiplied or looped over.
        constexpr std::size_t kFieldsPerLeg = 4;
        std::int32_t legs = 0;
        if (!r.int32(legs) || legs < 0 || static_cast<std::size_t>(legs) > r.remaining() / kFieldsPerLeg)
            return OtherMessage{tws::outgoing::kReqMktData, true};
        for (std::size_t i = 0; i < static_cast<std::size_t>(legs) * kFieldsPerLeg; ++i) {
            if (!r.skip()) return OtherMessage{tws::outgoing::kReqMktData, true};
        }
    }
    if (supports(sv, Feature::DeltaNeutral)) {
        bool delta_neutral = false;
        if (!r.flag(delta_neutral)) return OtherMessage{tws::outgoing::kReqMktData, true};
        if (delta_neutral && (!r.skip() || !r.skip() || !r.skip())) {
            return OtherMessage{tws::outgoing::kReqMktData, true};
        }
    }
    if (!r.text(m.generic_ticks) || !r.flag(m.snapshot))
        return OtherMessage{tws::outgoing::kReqMktData, true};
    return m;  // regulatory snapshot and market-data options follow; neither changes what is served
}

// Version, request id, then the contract as every server version this simulator speaks has it:
// conId, symbol, secType, expiry, strike, right, multiplier, exchange, primaryExchange, currency;
// localSymbol, tradingClass, includeExpired, secIdType, secId and issuerId follow and are not needed.
ClientMessage req_contract_details(Reader& r) {
    ReqContractDetails m;
    ContractRequest& c = m.contract;
    if (!r.skip() || !r.int32(m.req_id) || !r.int32_or_empty(m.con_id) || !r.text(c.symbol) ||
        !r.text(c.sec_type) || !r.text(c.expiry) || !r.real(c.strike) || !r.text(c.right) ||
        !r.text(c.multiplier) || !r.text(c.exchange) || !r.text(c.primary_exchange) || !r.text(c.currency)) {
        return OtherMessage{tws::outgoing::kReqContractData, true};
    }
    return m;
}

ClientMessage req_account_updates_multi(Reader& r) {
    ReqAccountUpdatesMulti m;
    if (!r.skip() || !r.int32(m.req_id) || !r.text(m.account) || !r.text(m.model_code) ||
        !r.flag(m.ledger_and_nlv)) {
        return OtherMessage{tws::outgoing::kReqAccountUpdatesMulti, true};
    }
    return m;
}

}  // namespace

ClientMessage decode_client_message(std::string_view payload, int server_version) {
    Reader r(payload);
    std::int32_t id = 0;
    if (!r.int32(id)) return OtherMessage{0, true};
    switch (id) {
        case tws::outgoing::kStartApi: {
            StartApi m;
            if (!r.skip() || !r.int32(m.client_id)) return OtherMessage{id, true};
            if (supports(server_version, Feature::OptionalCapabilities)) r.text(m.capabilities);
            return m;
        }
        case tws::outgoing::kReqMktData:
            return req_mkt_data(r, server_version);
        case tws::outgoing::kCancelMktData: {
            CancelMktData m;
            if (!r.skip() || !r.int32(m.req_id)) return OtherMessage{id, true};
            return m;
        }
        case tws::outgoing::kReqCurrentTime:
            return ReqCurrentTime{};
        case tws::outgoing::kReqIds:
            return ReqIds{};
        case tws::outgoing::kReqMarketDataType: {
            ReqMarketDataType m;
            if (!r.skip() || !r.int32(m.type)) return OtherMessage{id, true};
            return m;
        }
        case tws::outgoing::kReqContractData:
            return req_contract_details(r);
        case tws::outgoing::kReqPositions:
            return ReqPositions{};
        case tws::outgoing::kCancelPositions:
            return CancelPositions{};
        case tws::outgoing::kReqOpenOrders:
            return ReqOpenOrders{false};
        case tws::outgoing::kReqAllOpenOrders:
            return ReqOpenOrders{true};
        case tws::outgoing::kReqAutoOpenOrders: {
            ReqAutoOpenOrders m;
            if (!r.skip() || !r.flag(m.bind)) return OtherMessage{id, true};
            return m;
        }
        case tws::outgoing::kReqCompletedOrders: {
            ReqCompletedOrders m;  // no version field
            if (!r.flag(m.api_only)) return OtherMessage{id, true};
            return m;
        }
        case tws::outgoing::kReqAccountData: {
            ReqAccountUpdates m;
            if (!r.skip() || !r.flag(m.subscribe) || !r.text(m.account)) return OtherMessage{id, true};
            return m;
        }
        case tws::outgoing::kReqAccountUpdatesMulti:
            return req_account_updates_multi(r);
        case tws::outgoing::kCancelAccountUpdatesMulti: {
            CancelAccountUpdatesMulti m;
            if (!r.skip() || !r.int32(m.req_id)) return OtherMessage{id, true};
            return m;
        }
        case tws::outgoing::kReqExecutions: {
            ReqExecutions m;  // the execution filter follows; no simulated account has executions
            if (!r.skip() || !r.int32(m.req_id)) return OtherMessage{id, true};
            return m;
        }
        case tws::outgoing::kReqManagedAccounts:
            return ReqManagedAccounts{};
        default:
            return OtherMessage{id, false};
    }
}

namespace {

// The size field's text in `buffer`.
std::string_view size_field(int server_version, double size, char (&buffer)[32]) {
    const auto [ptr, ec] =
        supports(server_version, Feature::FractionalSizes)
            ? std::to_chars(buffer, buffer + sizeof buffer, size)
            : std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(std::llround(size)));
    (void)ec;  // 32 characters hold any double and any 64-bit integer
    return std::string_view(buffer, static_cast<std::size_t>(ptr - buffer));
}

}  // namespace

std::string size_text(int server_version, double size) {
    char buffer[32];
    return std::string(size_field(server_version, size, buffer));
}

void encode_handshake_reply(std::string& out, int server_version, std::string_view connection_time) {
    FrameBuilder(out).integer(server_version).raw(connection_time).finish();
}

void encode_tick_price(std::string& out, int server_version, std::int32_t req_id, std::int32_t tick_type,
                       double price, double size, std::int32_t attributes) {
    char buffer[32];
    FrameBuilder(out)
        .integer(tws::incoming::kTickPrice)
        .integer(6)
        .integer(req_id)
        .integer(tick_type)
        .number(price)
        .raw(size_field(server_version, size, buffer))
        .integer(attributes)
        .finish();
}

void encode_tick_size(std::string& out, int server_version, std::int32_t req_id, std::int32_t tick_type,
                      double size) {
    char buffer[32];
    FrameBuilder(out)
        .integer(tws::incoming::kTickSize)
        .integer(6)
        .integer(req_id)
        .integer(tick_type)
        .raw(size_field(server_version, size, buffer))
        .finish();
}

void encode_tick_string(std::string& out, std::int32_t req_id, std::int32_t tick_type,
                        std::string_view value) {
    FrameBuilder(out)
        .integer(tws::incoming::kTickString)
        .integer(6)
        .integer(req_id)
        .integer(tick_type)
        .raw(value)
        .finish();
}

void encode_tick_generic(std::string& out, std::int32_t req_id, std::int32_t tick_type, double value) {
    FrameBuilder(out)
        .integer(tws::incoming::kTickGeneric)
        .integer(6)
        .integer(req_id)
        .integer(tick_type)
        .number(value)
        .finish();
}

namespace {

// UTF-8 text as 7-bit with \uXXXX escapes; bytes that are not UTF-8 pass through as Latin-1 code points.
std::string escape_7bit(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    auto put = [&](std::uint32_t unit) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out.push_back(hex[(unit >> shift) & 15]);
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        std::uint32_t cp = b;
        std::size_t n = 1;
        if ((b & 0xE0) == 0xC0 && i + 1 < text.size())
            cp = b & 0x1F, n = 2;
        else if ((b & 0xF0) == 0xE0 && i + 2 < text.size())
            cp = b & 0x0F, n = 3;
        else if ((b & 0xF8) == 0xF0 && i + 3 < text.size())
            cp = b & 0x07, n = 4;
        for (std::size_t k = 1; k < n; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (n == 1) cp = b;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
        i += n;
    }
    return out;
}

}  // namespace

void encode_error(std::string& out, int server_version, std::int32_t id, std::int32_t code,
                  std::string_view text, std::int64_t epoch_millis) {
    const std::string body =
        supports(server_version, Feature::EncodeMsgAscii7) ? escape_7bit(text) : std::string(text);
    FrameBuilder frame(out);
    frame.integer(tws::incoming::kErrMsg);
    if (!supports(server_version, Feature::ErrorTime)) frame.integer(2);
    frame.integer(id).integer(code).raw(body);
    if (supports(server_version, Feature::AdvancedOrderReject)) frame.empty();
    if (supports(server_version, Feature::ErrorTime)) frame.integer(epoch_millis);
    frame.finish();
}

void encode_next_valid_id(std::string& out, std::int64_t order_id) {
    FrameBuilder(out).integer(tws::incoming::kNextValidId).integer(1).integer(order_id).finish();
}

void encode_managed_accounts(std::string& out, std::string_view accounts) {
    FrameBuilder(out).integer(tws::incoming::kManagedAccounts).integer(1).raw(accounts).finish();
}

void encode_current_time(std::string& out, std::int64_t epoch_seconds) {
    FrameBuilder(out).integer(tws::incoming::kCurrentTime).integer(1).integer(epoch_seconds).finish();
}

void encode_market_data_type(std::string& out, std::int32_t req_id, std::int32_t type) {
    FrameBuilder(out)
        .integer(tws::incoming::kMarketDataType)
        .integer(1)
        .integer(req_id)
        .integer(type)
        .finish();
}

void encode_tick_req_params(std::string& out, std::int32_t req_id, double min_tick,
                            std::string_view bbo_exchange, std::int32_t permissions) {
    FrameBuilder(out)
        .integer(tws::incoming::kTickReqParams)
        .integer(req_id)
        .number(min_tick)
        .raw(bbo_exchange)
        .integer(permissions)
        .finish();
}

void encode_tick_snapshot_end(std::string& out, std::int32_t req_id) {
    FrameBuilder(out).integer(tws::incoming::kTickSnapshotEnd).integer(1).integer(req_id).finish();
}

void encode_position_end(std::string& out) {
    FrameBuilder(out).integer(tws::incoming::kPositionEnd).integer(1).finish();
}

void encode_open_order_end(std::string& out) {
    FrameBuilder(out).integer(tws::incoming::kOpenOrderEnd).integer(1).finish();
}

void encode_completed_orders_end(std::string& out) {
    FrameBuilder(out).integer(tws::incoming::kCompletedOrdersEnd).finish();  // no version field
}

void encode_exec_details_end(std::string& out, std::int32_t req_id) {
    FrameBuilder(out).integer(tws::incoming::kExecutionDataEnd).integer(1).integer(req_id).finish();
}

void encode_account_value(std::string& out, std::string_view key, std::string_view value,
                          std::string_view currency, std::string_view account) {
    FrameBuilder(out)
        .integer(tws::incoming::kAccountValue)
        .integer(2)
        .raw(key)
        .raw(value)
        .raw(currency)
        .raw(account)
        .finish();
}

void encode_account_update_time(std::string& out, std::string_view time) {
    FrameBuilder(out).integer(tws::incoming::kAccountUpdateTime).integer(1).raw(time).finish();
}

void encode_account_download_end(std::string& out, std::string_view account) {
    FrameBuilder(out).integer(tws::incoming::kAccountDownloadEnd).integer(1).raw(account).finish();
}

void encode_account_update_multi(std::string& out, std::int32_t req_id, std::string_view account,
                                 std::string_view model_code, std::string_view key, std::string_view value,
                                 std::string_view currency) {
    FrameBuilder(out)
        .integer(tws::incoming::kAccountUpdateMulti)
        .integer(1)
        .integer(req_id)
        .raw(account)
        .raw(model_code)
        .raw(key)
        .raw(value)
        .raw(currency)
        .finish();
}

void encode_account_update_multi_end(std::string& out, std::int32_t req_id) {
    FrameBuilder(out).integer(tws::incoming::kAccountUpdateMultiEnd).integer(1).integer(req_id).finish();
}

void encode_contract_details(std::string& out, int server_version, std::int32_t req_id,
                             const ContractDetailsData& d) {
    const auto has = [&](Feature f) { return supports(server_version, f); };
    char buffer[32];
    FrameBuilder f(out);
    f.integer(tws::incoming::kContractData);
    if (!has(Feature::SizeRules)) f.integer(8);
    f.integer(req_id).raw(d.symbol).raw(d.sec_type).empty();  // lastTradeDateOrContractMonth
    if (has(Feature::LastTradeDate)) f.empty();               // lastTradeDate: none of the contracts expires
    f.number(0).empty();                                      // strike, right
    f.raw(d.exchange).raw(d.currency).raw(d.local_symbol).raw(d.market_name).raw(d.trading_class);
    f.integer(d.con_id).number(d.min_tick);
    if (has(Feature::MdSizeMultiplier) && !has(Feature::SizeRules)) f.integer(1);
    f.raw(d.multiplier).raw(d.order_types).raw(d.valid_exchanges);
    f.integer(1).integer(0);  // priceMagnifier, underConId
    f.raw(has(Feature::EncodeMsgAscii7) ? escape_7bit(d.long_name) : d.long_name).raw(d.primary_exchange);
    // contractMonth, industry, category, subcategory, timeZoneId, tradingHours, liquidHours
    f.empty().empty().empty().empty().raw(d.time_zone_id).empty().empty();
    f.empty().integer(0);  // evRule, evMultiplier
    f.integer(0);          // secIdList: none
    if (has(Feature::AggGroup)) f.integer(1);
    if (has(Feature::UnderlyingInfo)) f.empty().empty();
    if (has(Feature::MarketRules)) f.empty();
    if (has(Feature::RealExpirationDate)) f.empty();
    if (has(Feature::StockType)) f.raw(d.stock_type);
    if (has(Feature::FractionalSizes) && !has(Feature::SizeRules))
        f.raw(size_field(server_version, d.size_increment, buffer));
    if (has(Feature::SizeRules)) {
        f.raw(size_field(server_version, d.min_size, buffer));
        f.raw(size_field(server_version, d.size_increment, buffer));
        f.raw(size_field(server_version, d.suggested_size_increment, buffer));
    }
    if (has(Feature::FundDataFields) && d.sec_type == "FUND") {
        // name, family, type, front load, back load, its interval, management fee
        for (int i = 0; i < 7; ++i)
            f.empty();
        f.flag(false).flag(false).flag(false);  // closed, to new investors, to new money
        // notify amount, minimum initial and subsequent purchase, blue-sky states and territories,
        // distribution policy, asset type
        for (int i = 0; i < 7; ++i)
            f.empty();
    }
    if (has(Feature::IneligibilityReasons)) f.integer(0);
    f.finish();
}

void encode_contract_details_end(std::string& out, std::int32_t req_id) {
    FrameBuilder(out).integer(tws::incoming::kContractDataEnd).integer(1).integer(req_id).finish();
}

}  // namespace corvel::sim
