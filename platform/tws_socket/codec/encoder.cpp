#include "platform/tws_socket/codec/encoder.h"

#include <cmath>

#include "platform/tws_socket/codec/field_codec.h"
#include "platform/tws_socket/codec/wire.h"

namespace corvel::tws {

std::string encode_handshake(int min_version, int max_version, std::string_view options) {
    std::string offer = "v" + std::to_string(min_version);
    if (max_version != min_version) offer += ".." + std::to_string(max_version);
    if (!options.empty()) {
        offer.push_back(' ');
        offer.append(options);
    }
    std::string out("API\0", 4);
    out.append(4, '\0');
    put_length(out.data() + 4, static_cast<std::uint32_t>(offer.size()));
    out += offer;
    return out;
}

void encode_start_api(std::string& out, int server_version, std::int32_t client_id,
                      std::string_view optional_capabilities) {
    FrameBuilder frame(out);
    frame.integer(outgoing::kStartApi).integer(2).integer(client_id);
    if (supports(server_version, Feature::OptionalCapabilities)) frame.text(optional_capabilities);
    frame.finish();
}

bool encode_req_mkt_data(std::string& out, int server_version, std::int32_t req_id,
                         const ContractRequest& contract, std::string_view generic_ticks, bool snapshot) {
    if (!std::isfinite(contract.strike)) return false;
    const std::size_t start = out.size();
    FrameBuilder frame(out);
    frame.integer(outgoing::kReqMktData).integer(11).integer(req_id);
    if (supports(server_version, Feature::ReqMktDataConId)) frame.integer(0);
    frame.text(contract.symbol)
        .text(contract.sec_type)
        .text(contract.expiry)
        .number(contract.strike)
        .text(contract.right)
        .text(contract.multiplier)
        .text(contract.exchange)
        .text(contract.primary_exchange)
        .text(contract.currency)
        .empty();  // local symbol
    if (supports(server_version, Feature::TradingClass)) frame.empty();
    // A combination names its legs here; a request from a caller of this control never has any.
    if (contract.sec_type == "BAG") frame.integer(0);
    if (supports(server_version, Feature::DeltaNeutral)) frame.flag(false);
    frame.text(generic_ticks).flag(snapshot);
    if (supports(server_version, Feature::SmartComponents)) frame.flag(false);
    if (supports(server_version, Feature::Linking)) frame.empty();
    if (frame.refused_field() >= 0) {
        out.resize(start);
        return false;
    }
    frame.finish();
    return true;
}

void encode_cancel_mkt_data(std::string& out, std::int32_t req_id) {
    FrameBuilder frame(out);
    frame.integer(outgoing::kCancelMktData).integer(2).integer(req_id);
    frame.finish();
}

void encode_req_current_time(std::string& out) {
    FrameBuilder frame(out);
    frame.integer(outgoing::kReqCurrentTime).integer(1);
    frame.finish();
}

}  // namespace corvel::tws
