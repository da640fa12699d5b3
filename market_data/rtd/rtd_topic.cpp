#include "market_data/rtd/rtd_topic.h"

#include <charconv>
#include <stdexcept>

#include "common/text.h"
#include "market_data/tick_type.h"

namespace corvel::rtd {

namespace {

// The short names a spreadsheet user types, beside the library's own tick-type names.
struct FieldAlias {
    std::string_view name;
    std::int32_t tick_type;
};
constexpr FieldAlias kAliases[] = {
    {"LAST", LAST_PRICE},    {"BID", BID_PRICE},     {"ASK", ASK_PRICE},  {"LAST_SIZE", LAST_SIZE},
    {"BID_SIZE", BID_SIZE},  {"ASK_SIZE", ASK_SIZE}, {"HIGH", HIGH_TICK}, {"LOW", LOW_TICK},
    {"VOLUME", VOLUME_TICK}, {"CLOSE", CLOSE_PRICE}, {"OPEN", OPEN_TICK},
};

std::optional<std::int32_t> whole_number(std::string_view text) {
    std::int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

Endpoint parse_endpoint(std::string_view text) {
    const std::string shown = "connection '" + std::string(text) + "': ";
    const auto parts = text::split(text::trim(text), ':');
    if (parts.size() < 2 || parts.size() > 3)
        throw std::invalid_argument(shown + "expected host:port or host:port:clientId");
    Endpoint e;
    e.host = std::string(text::trim(parts[0]));
    if (e.host.empty()) throw std::invalid_argument(shown + "the host is empty");
    const auto port = whole_number(text::trim(parts[1]));
    if (!port || *port < 1 || *port > 65535)
        throw std::invalid_argument(shown + "the port must be a number from 1 to 65535");
    e.port = *port;
    if (parts.size() == 3) {
        const auto id = whole_number(text::trim(parts[2]));
        if (!id || *id < 0) throw std::invalid_argument(shown + "the client id must be a number from 0");
        e.client_id = *id;
    }
    return e;
}

std::optional<Field> parse_field(std::string_view text) {
    text = text::trim(text);
    if (equals_ignore_case(text, "TIME")) return Field{true, 0};
    for (const FieldAlias& alias : kAliases) {
        if (equals_ignore_case(text, alias.name)) return Field{false, alias.tick_type};
    }
    for (std::int32_t type = 0; type <= kLastNamedTickType; ++type) {
        if (equals_ignore_case(text, tick_type_name(type))) return Field{false, type};
    }
    return std::nullopt;
}

Topic parse_topic(const std::vector<std::string>& strings) {
    if (strings.empty() || text::trim(strings[0]).empty())
        throw std::invalid_argument("no topic: give a contract and a field, or STATUS");
    Topic topic;
    const std::string_view first = text::trim(strings[0]);
    std::size_t endpoint_at = 2;
    if (equals_ignore_case(first, kStatusTopic)) {
        topic.status = true;
        endpoint_at = 1;
    } else {
        topic.contract = parse_contract_option(first);
        if (strings.size() < 2 || text::trim(strings[1]).empty())
            throw std::invalid_argument(
                "no field: give LAST, BID, ASK, TIME or a tick type after the contract");
        const auto field = parse_field(strings[1]);
        if (!field) throw std::invalid_argument("unknown field '" + strings[1] + "'");
        topic.field = *field;
    }
    if (strings.size() > endpoint_at + 1) throw std::invalid_argument("too many strings in the topic");
    if (strings.size() == endpoint_at + 1 && !text::trim(strings[endpoint_at]).empty())
        topic.endpoint = parse_endpoint(strings[endpoint_at]);
    return topic;
}

std::string contract_key(const QuoteContract& c) {
    std::string strike;
    char text[32];
    const auto [ptr, ec] = std::to_chars(text, text + sizeof text, c.strike);
    if (ec == std::errc()) strike.assign(text, ptr);
    // A separator no field can hold: the fields come from ':'-separated text.
    const char sep = ':';
    return c.sec_type + sep + c.symbol + sep + c.exchange + sep + c.currency + sep + c.expiry + sep + strike +
           sep + c.right + sep + c.multiplier + sep + c.primary_exchange;
}

}  // namespace corvel::rtd
