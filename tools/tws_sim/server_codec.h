#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "seams/tws_control.h"

// The server's side of the TWS socket protocol subset: what TWS writes, and how it reads what a
// client writes. Shares the frame and field layer with the client.
namespace corvel::sim {

// --- Reading the client.

// The version offer after "API\0": "v<min>..<max>" or "v<n>", then optional connect options.
struct VersionOffer {
    bool ok = false;
    int min_version = 0;
    int max_version = 0;
    std::string options;
};
VersionOffer parse_version_offer(std::string_view text);

struct StartApi {
    std::int32_t client_id = 0;
    std::string capabilities;
};
struct ReqMktData {
    std::int32_t req_id = 0;
    ContractRequest contract;
    std::string generic_ticks;
    bool snapshot = false;
};
struct CancelMktData {
    std::int32_t req_id = 0;
};
struct ReqCurrentTime {};
struct ReqIds {};
// A message TWS would act on that this simulator does not serve, or one it could not read.
struct OtherMessage {
    std::int32_t msg_id = 0;
    bool malformed = false;
};
using ClientMessage = std::variant<StartApi, ReqMktData, CancelMktData, ReqCurrentTime, ReqIds, OtherMessage>;

ClientMessage decode_client_message(std::string_view payload, int server_version);

// --- Writing to the client; each call appends one frame.

void encode_handshake_reply(std::string& out, int server_version, std::string_view connection_time);
void encode_tick_price(std::string& out, int server_version, std::int32_t req_id, std::int32_t tick_type,
                       double price, double size, std::int32_t attributes);
void encode_tick_size(std::string& out, int server_version, std::int32_t req_id, std::int32_t tick_type,
                      double size);
void encode_tick_string(std::string& out, std::int32_t req_id, std::int32_t tick_type,
                        std::string_view value);
void encode_tick_generic(std::string& out, std::int32_t req_id, std::int32_t tick_type, double value);
// Error texts go out as the server version expects them: 7-bit with \uXXXX escapes from 153 on.
void encode_error(std::string& out, int server_version, std::int32_t id, std::int32_t code,
                  std::string_view text, std::int64_t epoch_millis);
void encode_next_valid_id(std::string& out, std::int64_t order_id);
void encode_managed_accounts(std::string& out, std::string_view accounts);
void encode_current_time(std::string& out, std::int64_t epoch_seconds);
void encode_market_data_type(std::string& out, std::int32_t req_id, std::int32_t type);
void encode_tick_req_params(std::string& out, std::int32_t req_id, double min_tick,
                            std::string_view bbo_exchange, std::int32_t permissions);
void encode_tick_snapshot_end(std::string& out, std::int32_t req_id);

// Sizes travel as decimals from version 163 on, as whole numbers before.
std::string size_text(int server_version, double size);

}  // namespace corvel::sim
