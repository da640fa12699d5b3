#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

// What the decoder makes of one incoming payload. Texts are views into the payload: a message lives
// as long as the bytes it was decoded from.
namespace corvel::tws {

struct TickPrice {
    std::int32_t req_id = 0;
    std::int32_t tick_type = 0;
    double price = 0;
    bool has_price = false;  // false when TWS sent the "no value" spelling
    double size = 0;
    bool has_size = false;
    std::int32_t attributes = 0;  // can-auto-execute, past-limit and pre-open bits
};

struct TickSize {
    std::int32_t req_id = 0;
    std::int32_t tick_type = 0;
    double size = 0;
    bool has_size = false;
};

struct ErrorMessage {
    std::int32_t id = -1;
    std::int32_t code = 0;
    std::string_view text;  // as sent: may hold \uXXXX escapes or Latin-1; see decode_error_text
    std::string_view advanced_reject;
    std::int64_t error_time = 0;  // epoch milliseconds, 0 when the server version has none
};

struct NextValidId {
    std::int64_t order_id = 0;
};

struct ManagedAccounts {
    std::string_view accounts;  // comma-separated
};

struct CurrentTime {
    std::int64_t epoch_seconds = 0;
};

struct TickGeneric {
    std::int32_t req_id = 0;
    std::int32_t tick_type = 0;
    double value = 0;
};

struct TickString {
    std::int32_t req_id = 0;
    std::int32_t tick_type = 0;
    std::string_view value;
};

struct TickOptionComputation {
    std::int32_t req_id = 0;
    std::int32_t tick_type = 0;
    double implied_vol = 0, delta = 0, option_price = 0, pv_dividend = 0;
    double gamma = 0, vega = 0, theta = 0, underlying_price = 0;
};

struct TickEfp {
    std::int32_t req_id = 0;
    std::int32_t tick_type = 0;
    double basis_points = 0;
    std::string_view formatted_basis_points;
    double implied_futures_price = 0;
};

struct TickSnapshotEnd {
    std::int32_t req_id = 0;
};

struct MarketDataType {
    std::int32_t req_id = 0;
    std::int32_t type = 0;
};

struct TickReqParams {
    std::int32_t req_id = 0;
    double min_tick = 0;
    std::string_view bbo_exchange;
    std::int32_t snapshot_permissions = 0;
};

struct RerouteMktDataReq {
    std::int32_t req_id = 0;
    std::int32_t con_id = 0;
    std::string_view exchange;
};

// A message this client has no use for, or one with fewer fields than its layout (newer servers only
// ever add fields, so a short frame is left alone rather than taken as a broken stream).
struct Skipped {
    std::int32_t msg_id = 0;
};

// A message whose field could not be read: the stream can no longer be trusted.
struct Malformed {
    std::int32_t msg_id = 0;  // 0 when the id itself was unreadable
    int field_index = 0;      // 0-based, the message id being field 0
    std::string_view raw;
    const char* reason = "";
};

using Message = std::variant<TickPrice, TickSize, ErrorMessage, NextValidId, ManagedAccounts, CurrentTime,
                             TickGeneric, TickString, TickOptionComputation, TickEfp, TickSnapshotEnd,
                             MarketDataType, TickReqParams, RerouteMktDataReq, Skipped, Malformed>;

// The first frame the server sends: its version and its connection time.
struct HandshakeReply {
    bool ok = false;
    int server_version = 0;
    std::string_view connection_time;
    // A negative version asks the client to go elsewhere; the second field is then "host:port".
    bool redirect = false;
    const char* problem = "";  // why ok is false
};

}  // namespace corvel::tws
