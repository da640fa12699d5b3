#pragma once

#include <cstdint>

// The errors the client reports on its own, with the numbers and texts TWS users know from IB's
// client libraries. Connection-level ones arrive as error events with id -1; failures of a call
// (not connected, a refused request) are thrown as the call's error.
namespace corvel::tws {

struct ClientError {
    std::int32_t code;
    const char* text;
};

namespace client_error {
inline constexpr ClientError kAlreadyConnected{501, "Already connected."};
inline constexpr ClientError kConnectFail{
    502,
    "Couldn't connect to TWS. Confirm that \"Enable ActiveX and Socket Clients\" is enabled and connection "
    "port "
    "is the same as \"Socket Port\" on the TWS \"Edit->Global Configuration...->API->Settings\" menu."};
inline constexpr ClientError kUpdateTws{503, "The TWS is out of date and must be upgraded."};
inline constexpr ClientError kNotConnected{504, "Not connected"};
inline constexpr ClientError kUnsupportedVersion{506, "Unsupported version"};
inline constexpr ClientError kBadLength{507, "Bad Message Length"};
inline constexpr ClientError kBadMessage{508, "Bad Message"};
inline constexpr ClientError kSocketException{509, "Exception caught while reading socket"};
inline constexpr ClientError kReqMktDataFail{510, "Request Market Data Sending Error"};
inline constexpr ClientError kCancelMktDataFail{511, "Cancel Market Data Sending Error"};
inline constexpr ClientError kInvalidSymbol{579, "Invalid symbol in string"};
}  // namespace client_error

// Whether an error event means the connection is gone: the client's own connection failures, and
// the codes with which TWS ends a session (client id in use, socket port changed).
constexpr bool ends_connection(std::int32_t code) noexcept {
    switch (code) {
        case 502:
        case 503:
        case 506:
        case 507:
        case 508:
        case 509:
        case 326:
        case 1300:
            return true;
        default:
            return false;
    }
}

// TWS's informational notices (farm status and the like): not errors at all.
constexpr bool is_notice(std::int32_t code) noexcept {
    return code >= 2100 && code <= 2169;
}

}  // namespace corvel::tws
