#include "platform/tws_socket/codec/field_codec.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "common/text.h"

namespace corvel::tws {

bool FieldCursor::next(std::string_view& field) noexcept {
    if (p_ >= end_) return false;
    const void* nul = std::memchr(p_, '\0', static_cast<std::size_t>(end_ - p_));
    if (!nul) return false;
    const char* stop = static_cast<const char*>(nul);
    field = std::string_view(p_, static_cast<std::size_t>(stop - p_));
    p_ = stop + 1;
    ++index_;
    return true;
}

namespace {

template <class Int>
bool parse_integer(std::string_view text, Int& out) noexcept {
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = first + text.size();
    Int value{};
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last) return false;
    out = value;
    return true;
}

}  // namespace

bool parse_int32(std::string_view text, std::int32_t& out) noexcept {
    return parse_integer(text, out);
}
bool parse_int64(std::string_view text, std::int64_t& out) noexcept {
    return parse_integer(text, out);
}

FieldValue parse_optional_int32(std::string_view text, std::int32_t& out) noexcept {
    if (text.empty() || text == "2147483647") return FieldValue::Unset;
    return parse_int32(text, out) ? FieldValue::Set : FieldValue::Bad;
}

namespace {

// Prices and sizes are short decimals. One with at most 15 significant digits is its digits as an
// integer divided by a power of ten, both exact doubles, so the division rounds exactly as a full
// conversion would, at a fraction of its cost. False for anything else.
bool parse_short_decimal(std::string_view text, double& out) noexcept {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    if (p == end) return false;
    std::uint64_t digits = 0;
    int significant = 0;
    int fraction = 0;
    bool dot = false;
    bool any = false;
    for (; p != end; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            any = true;
            if (digits != 0 || c != '0') ++significant;
            if (significant > 15) return false;
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            if (dot) ++fraction;
        } else if (c == '.' && !dot) {
            dot = true;
        } else {
            return false;
        }
    }
    if (!any || fraction > 22) return false;
    const double value = static_cast<double>(digits) / kPowers[fraction];
    out = negative ? -value : value;
    return true;
}

}  // namespace

FieldValue parse_double(std::string_view text, double& out) noexcept {
    if (text.empty()) return FieldValue::Unset;
    if (parse_short_decimal(text, out)) return FieldValue::Set;
    // Java spells infinity in full; from_chars takes "inf" and "infinity" in any case.
    std::string_view body = text;
    bool negative = false;
    if (body.front() == '-') {
        negative = true;
        body.remove_prefix(1);
    }
    if (equals_ignore_case(body, "infinity")) {
        out = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        return FieldValue::Set;
    }
    double value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last) return FieldValue::Bad;
    // Java writes "NaN" for a value it does not have; it is no more a value than the largest double.
    if (value != value || value == std::numeric_limits<double>::max()) return FieldValue::Unset;
    out = value;
    return FieldValue::Set;
}

FieldValue parse_decimal(std::string_view text, double& out) noexcept {
    if (text == "2147483647" || text == "9223372036854775807") return FieldValue::Unset;
    return parse_double(text, out);
}

bool is_printable_ascii(std::string_view text) noexcept {
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

void put_length(char* at, std::uint32_t length) noexcept {
    at[0] = static_cast<char>((length >> 24) & 0xFF);
    at[1] = static_cast<char>((length >> 16) & 0xFF);
    at[2] = static_cast<char>((length >> 8) & 0xFF);
    at[3] = static_cast<char>(length & 0xFF);
}

std::uint32_t get_length(const char* at) noexcept {
    const auto* b = reinterpret_cast<const unsigned char*>(at);
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
           std::uint32_t{b[3]};
}

FrameBuilder::FrameBuilder(std::string& out) : out_(out), start_(out.size()) {
    out_.append(4, '\0');
}

FrameBuilder& FrameBuilder::raw(std::string_view value) {
    out_.append(value);
    out_.push_back('\0');
    ++fields_;
    return *this;
}

FrameBuilder& FrameBuilder::text(std::string_view value) {
    if (!is_printable_ascii(value)) {
        if (refused_field_ < 0) refused_field_ = fields_;
        return empty();
    }
    return raw(value);
}

FrameBuilder& FrameBuilder::integer(std::int64_t value) {
    char digits[24];
    const auto [ptr, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec;  // 24 characters always hold a 64-bit integer
    return raw(std::string_view(digits, static_cast<std::size_t>(ptr - digits)));
}

FrameBuilder& FrameBuilder::number(double value) {
    // Shortest text that reads back as the same double, independent of the locale.
    char digits[32];
    const auto [ptr, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec;  // 32 characters always hold the shortest form of a double
    return raw(std::string_view(digits, static_cast<std::size_t>(ptr - digits)));
}

FrameBuilder& FrameBuilder::flag(bool value) {
    return raw(value ? "1" : "0");
}

FrameBuilder& FrameBuilder::empty() {
    return raw({});
}

std::size_t FrameBuilder::finish() {
    const std::size_t size = out_.size() - start_;
    put_length(out_.data() + start_, static_cast<std::uint32_t>(size - 4));
    return size;
}

}  // namespace corvel::tws
