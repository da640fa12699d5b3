#include "common/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "common/utf8.h"

namespace corvel {

namespace {
char fold(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool is_digit(char c) noexcept {
    return c >= '0' && c <= '9';
}

int digit_value(char c, int radix) noexcept {
    int v = -1;
    if (is_digit(c)) v = c - '0';
    const char f = fold(c);
    if (f >= 'a' && f <= 'f') v = f - 'a' + 10;
    return v < radix ? v : -1;
}

// "&H" and "&O" integers: as wide as they need, so &HFFFF is -1 and &H10000 is 65536, the way the
// platform types them (16 bits when they fit, else 32 bits, else a plain number).
double radix_number(std::string_view digits, int radix) noexcept {
    std::uint64_t value = 0;
    bool overflow = false;
    for (const char c : digits) {
        const int d = digit_value(c, radix);
        if (d < 0) break;
        if (value > (UINT64_MAX - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(radix))
            overflow = true;
        value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
    }
    if (overflow) return HUGE_VAL;
    if (value <= 0xFFFFu) return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    if (value <= 0xFFFFFFFFu) return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return static_cast<double>(value);
}
}  // namespace

bool equals_ignore_case(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        out.append(text.substr(start, at - start)).append(to);
        start = at + from.size();
    }
    out.append(text.substr(start));
    return out;
}

double leading_number(std::string_view text) noexcept {
    std::string s;
    s.reserve(text.size());
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
    }
    if (s.size() >= 2 && s[0] == '&') {
        if (fold(s[1]) == 'h') return radix_number(std::string_view(s).substr(2), 16);
        if (fold(s[1]) == 'o') return radix_number(std::string_view(s).substr(2), 8);
        return 0.0;
    }
    std::size_t i = 0;
    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') number.push_back('-');
        ++i;
    }
    bool any_digit = false;
    while (i < s.size() && is_digit(s[i])) {
        number.push_back(s[i++]);
        any_digit = true;
    }
    if (i < s.size() && s[i] == '.') {
        number.push_back(s[i++]);
        while (i < s.size() && is_digit(s[i])) {
            number.push_back(s[i++]);
            any_digit = true;
        }
    }
    if (!any_digit) return 0.0;
    if (i < s.size() && (fold(s[i]) == 'e' || fold(s[i]) == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
        if (j < s.size() && is_digit(s[j])) {
            while (j < s.size() && is_digit(s[j]))
                exponent.push_back(s[j++]);
            number += exponent;
        }
    }
    // Independent of the process locale: the decimal point is always ".".
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (number.find("e-") != std::string::npos) return 0.0;
        return number.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return value;
}

std::string printable(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    const auto spell = [&](unsigned char b) {
        out += "\\x";
        out.push_back(hex[b >> 4]);
        out.push_back(hex[b & 15]);
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t n = utf8_sequence_length(text, i);
        // C1 controls (U+0080 to U+009F) are C2 80 to C2 9F: terminals obey those too.
        const bool control = n == 1 ? (b < 0x20 || b == 0x7F)
                                    : n == 2 && b == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        const std::size_t length = std::max<std::size_t>(n, 1);  // a stray byte stands alone
        if (n == 0 || control) {
            for (std::size_t k = 0; k < length; ++k)
                spell(static_cast<unsigned char>(text[i + k]));
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

}  // namespace corvel
