#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "seams/tws_control.h"

// The messages the client sends, each appended to an output buffer as one complete frame, laid out
// for the negotiated server version.
namespace corvel::tws {

// The connection's opening bytes: "API\0", then the framed version offer "v<min>..<max>" ("v<n>" when
// both are equal), with connect options after one space when there are any.
std::string encode_handshake(int min_version, int max_version, std::string_view options = {});

void encode_start_api(std::string& out, int server_version, std::int32_t client_id,
                      std::string_view optional_capabilities = {});

// Appends a market-data request. A contract text that is not printable ASCII or a strike that is not
// a finite number refuses the whole frame: nothing is appended and the result is false.
bool encode_req_mkt_data(std::string& out, int server_version, std::int32_t req_id,
                         const ContractRequest& contract, std::string_view generic_ticks, bool snapshot);

void encode_cancel_mkt_data(std::string& out, std::int32_t req_id);
void encode_req_current_time(std::string& out);

}  // namespace corvel::tws
