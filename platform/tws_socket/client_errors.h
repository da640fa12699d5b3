#pragma once

#include <cstdint>

#include "seams/tws_control.h"

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

}  // namespace corvel::tws
