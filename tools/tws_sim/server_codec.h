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
    std::int32_t con_id = 0;  // 0 when the client names the contract by its fields only
    ContractRequest contract;
    std::string generic_ticks;
    bool snapshot = false;
};
struct CancelMktData {
    std::int32_t req_id = 0;
};
struct ReqCurrentTime {};
struct ReqIds {};
struct ReqMarketDataType {
    std::int32_t type = 0;  // 1 live, 2 frozen, 3 delayed, 4 delayed frozen
};
struct ReqContractDetails {
    std::int32_t req_id = 0;
    std::int32_t con_id = 0;
    ContractRequest contract;  // expiry, strike, right and multiplier are read but not matched
};
// The start-up requests of an account's state: what it holds, its orders and fills.
struct ReqPositions {};
struct CancelPositions {};
struct ReqOpenOrders {
    bool all_clients = false;  // reqAllOpenOrders rather than reqOpenOrders
};
struct ReqAutoOpenOrders {
    bool bind = false;
};
struct ReqCompletedOrders {
    bool api_only = false;
};
struct ReqAccountUpdates {
    bool subscribe = false;
    std::string account;
};
struct ReqAccountUpdatesMulti {
    std::int32_t req_id = 0;
    std::string account;
    std::string model_code;
    bool ledger_and_nlv = false;
};
struct CancelAccountUpdatesMulti {
    std::int32_t req_id = 0;
};
struct ReqExecutions {
    std::int32_t req_id = 0;
};
struct ReqManagedAccounts {};
// A message TWS would act on that this simulator does not serve, or one it could not read.
struct OtherMessage {
    std::int32_t msg_id = 0;
    bool malformed = false;
};
using ClientMessage =
    std::variant<StartApi, ReqMktData, CancelMktData, ReqCurrentTime, ReqIds, ReqMarketDataType,
                 ReqContractDetails, ReqPositions, CancelPositions, ReqOpenOrders, ReqAutoOpenOrders,
                 ReqCompletedOrders, ReqAccountUpdates, ReqAccountUpdatesMulti, CancelAccountUpdatesMulti,
                 ReqExecutions, ReqManagedAccounts, OtherMessage>;

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

// The answers to the start-up requests, for an account with nothing in it.
void encode_position_end(std::string& out);
void encode_open_order_end(std::string& out);
void encode_completed_orders_end(std::string& out);
void encode_exec_details_end(std::string& out, std::int32_t req_id);
void encode_account_value(std::string& out, std::string_view key, std::string_view value,
                          std::string_view currency, std::string_view account);
// `time` as TWS writes it: "hh:mm".
void encode_account_update_time(std::string& out, std::string_view time);
void encode_account_download_end(std::string& out, std::string_view account);
void encode_account_update_multi(std::string& out, std::int32_t req_id, std::string_view account,
                                 std::string_view model_code, std::string_view key, std::string_view value,
                                 std::string_view currency);
void encode_account_update_multi_end(std::string& out, std::int32_t req_id);

// What contractData carries of a contract; the fields no simulated contract has stay empty on the wire.
struct ContractDetailsData {
    std::string symbol;
    std::string sec_type;
    std::string exchange;
    std::string primary_exchange;
    std::string currency;
    std::string local_symbol;
    std::string market_name;
    std::string trading_class;
    std::int32_t con_id = 0;
    double min_tick = 0;
    std::string multiplier;
    std::string order_types;
    std::string valid_exchanges;
    std::string long_name;
    std::string time_zone_id;
    std::string stock_type;
    double min_size = 1;
    double size_increment = 1;
    double suggested_size_increment = 1;
};
// contractData in the layout of `server_version`.
void encode_contract_details(std::string& out, int server_version, std::int32_t req_id,
                             const ContractDetailsData& details);
void encode_contract_details_end(std::string& out, std::int32_t req_id);

// Sizes travel as decimals from version 163 on, as whole numbers before.
std::string size_text(int server_version, double size);

}  // namespace corvel::sim
