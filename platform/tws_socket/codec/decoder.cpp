#include "platform/tws_socket/codec/decoder.h"

#include "common/utf8.h"

#include "platform/tws_socket/codec/field_codec.h"
#include "platform/tws_socket/codec/wire.h"

namespace corvel::tws {

namespace {

// Reads the fields of one message in order. The first field that cannot be read ends the message:
// a missing one makes it Skipped (too short), an unreadable one Malformed, with the field's index and
// raw text.
class Fields {
  public:
    explicit Fields(std::string_view payload) noexcept : cursor_(payload) {}

    bool id(std::int32_t& msg_id) noexcept {
        std::string_view f;
        if (!next(f)) return false;
        if (!parse_int32(f, msg_id)) return fail(f, "message id is not an integer");
        msg_id_ = msg_id;
        return true;
    }
    bool skip() noexcept {
        std::string_view f;
        return next(f);
    }
    bool text(std::string_view& out) noexcept { return next(out); }
    bool int32(std::int32_t& out) noexcept {
        std::string_view f;
        if (!next(f)) return false;
        return parse_int32(f, out) || fail(f, "not an integer");
    }
    bool int64(std::int64_t& out) noexcept {
        std::string_view f;
        if (!next(f)) return false;
        return parse_int64(f, out) || fail(f, "not an integer");
    }
    // Numbers that may be unset: zero then, and `*has` false.
    bool real(double& out, bool* has = nullptr) noexcept {
        return read(parse_double, out, has, "not a number");
    }
    bool decimal(double& out, bool& has) noexcept { return read(parse_decimal, out, &has, "not a decimal"); }
    bool optional_int32(std::int32_t& out) noexcept {
        return read(parse_optional_int32, out, nullptr, "not an integer");
    }
    // Fields older layouts lack: absent is fine (`present` false), unreadable is not.
    bool trailing_decimal(double& out, bool& has, bool& present) noexcept {
        return read(parse_decimal, out, &has, "not a decimal", &present);
    }
    bool trailing_int32(std::int32_t& out, bool& present) noexcept {
        return read(parse_optional_int32, out, nullptr, "not an integer", &present);
    }
    bool trailing_text(std::string_view& out) noexcept {
        if (!next(out)) out = {};
        return true;
    }

    // What to return when a read failed.
    Message failure() const noexcept {
        if (malformed_) return bad_;
        return Skipped{msg_id_};
    }

  private:
    bool next(std::string_view& f) noexcept { return cursor_.next(f); }
    // The next field through `parse`, which may find it unset (then `out` is zero and `*has` false).
    // Without `present`, a missing field ends the message as too short.
    template <class T>
    bool read(FieldValue (*parse)(std::string_view, T&) noexcept, T& out, bool* has, const char* reason,
              bool* present = nullptr) noexcept {
        std::string_view f;
        const bool there = next(f);
        if (present) *present = there;
        if (!there) return present != nullptr;
        T value{};
        switch (parse(f, value)) {
            case FieldValue::Set:
                out = value;
                if (has) *has = true;
                return true;
            case FieldValue::Unset:
                out = T{};
                if (has) *has = false;
                return true;
            case FieldValue::Bad:
                break;
        }
        return fail(f, reason);
    }
    bool fail(std::string_view raw, const char* reason) noexcept {
        malformed_ = true;
        bad_ = Malformed{msg_id_, cursor_.index() - 1, raw, reason};
        return false;
    }

    FieldCursor cursor_;
    std::int32_t msg_id_ = 0;
    bool malformed_ = false;
    Malformed bad_;
};

Message tick_price(Fields& f) {
    TickPrice m;
    if (!f.skip() || !f.int32(m.req_id) || !f.int32(m.tick_type) || !f.real(m.price, &m.has_price)) {
        return f.failure();
    }
    // The oldest layouts end after the price, and the ones after them after the size.
    bool present = false;
    if (!f.trailing_decimal(m.size, m.has_size, present)) return f.failure();
    if (present && !f.trailing_int32(m.attributes, present)) return f.failure();
    return m;
}

Message tick_size(Fields& f) {
    TickSize m;
    if (!f.skip() || !f.int32(m.req_id) || !f.int32(m.tick_type) || !f.decimal(m.size, m.has_size)) {
        return f.failure();
    }
    return m;
}

Message error_message(Fields& f, int server_version) {
    ErrorMessage m;
    const bool timed = supports(server_version, Feature::ErrorTime);
    if (!timed && !f.skip()) return f.failure();
    if (!f.int32(m.id) || !f.int32(m.code) || !f.text(m.text)) return f.failure();
    if (supports(server_version, Feature::AdvancedOrderReject)) f.trailing_text(m.advanced_reject);
    if (timed) {
        std::string_view raw;
        f.trailing_text(raw);
        if (!raw.empty() && !parse_int64(raw, m.error_time)) m.error_time = 0;  // a time is only a nicety
    }
    return m;
}

Message option_computation(Fields& f, int server_version) {
    TickOptionComputation m;
    if (supports(server_version, Feature::PriceBasedVolatility)) {
        std::int32_t attrib = 0;
        if (!f.int32(m.req_id) || !f.int32(m.tick_type) || !f.optional_int32(attrib) ||
            !f.real(m.implied_vol) || !f.real(m.delta) || !f.real(m.option_price) || !f.real(m.pv_dividend) ||
            !f.real(m.gamma) || !f.real(m.vega) || !f.real(m.theta) || !f.real(m.underlying_price)) {
            return f.failure();
        }
        return m;
    }
    std::int32_t version = 0;
    if (!f.int32(version) || !f.int32(m.req_id) || !f.int32(m.tick_type) || !f.real(m.implied_vol) ||
        !f.real(m.delta)) {
        return f.failure();
    }
    if ((version >= 6 || m.tick_type == 13 || m.tick_type == 83) &&
        (!f.real(m.option_price) || !f.real(m.pv_dividend))) {
        return f.failure();
    }
    if (version >= 6 &&
        (!f.real(m.gamma) || !f.real(m.vega) || !f.real(m.theta) || !f.real(m.underlying_price))) {
        return f.failure();
    }
    return m;
}

Message tick_efp(Fields& f) {
    TickEfp m;
    if (!f.skip() || !f.int32(m.req_id) || !f.int32(m.tick_type) || !f.real(m.basis_points) ||
        !f.text(m.formatted_basis_points) || !f.real(m.implied_futures_price)) {
        return f.failure();
    }
    return m;  // hold days, last trade date and dividend fields are of no use here
}

}  // namespace

Message decode_message(std::string_view payload, int server_version) noexcept {
    Fields f(payload);
    std::int32_t msg_id = 0;
    if (!f.id(msg_id)) return f.failure();
    switch (msg_id) {
        case incoming::kTickPrice:
            return tick_price(f);
        case incoming::kTickSize:
            return tick_size(f);
        case incoming::kErrMsg:
            return error_message(f, server_version);
        case incoming::kNextValidId: {
            NextValidId m;
            if (!f.skip() || !f.int64(m.order_id)) return f.failure();
            return m;
        }
        case incoming::kManagedAccounts: {
            ManagedAccounts m;
            if (!f.skip() || !f.text(m.accounts)) return f.failure();
            return m;
        }
        case incoming::kCurrentTime: {
            CurrentTime m;
            if (!f.skip() || !f.int64(m.epoch_seconds)) return f.failure();
            return m;
        }
        case incoming::kTickGeneric: {
            TickGeneric m;
            if (!f.skip() || !f.int32(m.req_id) || !f.int32(m.tick_type) || !f.real(m.value))
                return f.failure();
            return m;
        }
        case incoming::kTickString: {
            TickString m;
            if (!f.skip() || !f.int32(m.req_id) || !f.int32(m.tick_type) || !f.text(m.value))
                return f.failure();
            return m;
        }
        case incoming::kTickOptionComputation:
            return option_computation(f, server_version);
        case incoming::kTickEfp:
            return tick_efp(f);
        case incoming::kTickSnapshotEnd: {
            TickSnapshotEnd m;
            if (!f.skip() || !f.int32(m.req_id)) return f.failure();
            return m;
        }
        case incoming::kMarketDataType: {
            MarketDataType m;
            if (!f.skip() || !f.int32(m.req_id) || !f.int32(m.type)) return f.failure();
            return m;
        }
        case incoming::kTickReqParams: {
            TickReqParams m;
            if (!f.int32(m.req_id) || !f.real(m.min_tick) || !f.text(m.bbo_exchange) ||
                !f.optional_int32(m.snapshot_permissions)) {
                return f.failure();
            }
            return m;
        }
        case incoming::kRerouteMktDataReq: {
            RerouteMktDataReq m;
            if (!f.int32(m.req_id) || !f.int32(m.con_id) || !f.text(m.exchange)) return f.failure();
            return m;
        }
        default:
            return Skipped{msg_id};
    }
}

HandshakeReply decode_handshake_reply(std::string_view payload) noexcept {
    HandshakeReply reply;
    FieldCursor cursor(payload);
    std::string_view version, second;
    if (!cursor.next(version) || !cursor.next(second)) {
        reply.problem = "the reply has fewer than two fields";
        return reply;
    }
    std::int32_t v = 0;
    if (!parse_int32(version, v)) {
        reply.problem = "the server version is not a number";
        return reply;
    }
    reply.ok = true;
    reply.server_version = v;
    reply.connection_time = second;
    reply.redirect = v < 0;
    return reply;
}

namespace {

// Four hex digits at `at`, or -1.
int hex4(std::string_view s, std::size_t at) noexcept {
    if (at + 4 > s.size()) return -1;
    int v = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        const char c = s[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return -1;
        v = v * 16 + d;
    }
    return v;
}

}  // namespace

std::string decode_error_text(std::string_view raw, int server_version) {
    const bool escaped = supports(server_version, Feature::EncodeMsgAscii7);
    std::string out;
    out.reserve(raw.size());
    std::size_t i = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (escaped && c == '\\' && i + 1 < raw.size() && raw[i + 1] == 'u') {
            const int unit = hex4(raw, i + 2);
            if (unit >= 0) {
                std::uint32_t cp = static_cast<std::uint32_t>(unit);
                std::size_t used = 6;
                if (cp >= 0xD800 && cp <= 0xDBFF && i + 12 <= raw.size() && raw[i + 6] == '\\' &&
                    raw[i + 7] == 'u') {
                    const int low = hex4(raw, i + 8);
                    if (low >= 0xDC00 && low <= 0xDFFF) {
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<std::uint32_t>(low) - 0xDC00);
                        used = 12;
                    }
                }
                if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;  // a lone half of a pair
                append_utf8(out, cp);
                i += used;
                continue;
            }
        }
        if (static_cast<unsigned char>(c) < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        if (const std::size_t n = utf8_sequence_length(raw, i)) {
            out.append(raw.substr(i, n));
            i += n;
            continue;
        }
        append_utf8(out, static_cast<unsigned char>(c));  // Latin-1
        ++i;
    }
    return out;
}

}  // namespace corvel::tws
