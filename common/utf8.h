#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvel {

// Appends one code point as UTF-8.
inline void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The length of the well-formed UTF-8 sequence that starts at `at` (shortest form, no surrogates,
// at most U+10FFFF), or 0 when the bytes there are not one. ASCII bytes are sequences of one.
inline std::size_t utf8_sequence_length(std::string_view s, std::size_t at) noexcept {
    const auto b0 = static_cast<unsigned char>(s[at]);
    if (b0 < 0x80) return 1;
    std::size_t n;
    std::uint32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        n = 2, min = 0x80;
    else if (b0 >= 0xE0 && b0 <= 0xEF)
        n = 3, min = 0x800;
    else if (b0 >= 0xF0 && b0 <= 0xF4)
        n = 4, min = 0x10000;
    else
        return 0;
    if (at + n > s.size()) return 0;
    std::uint32_t cp = b0 & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        const auto b = static_cast<unsigned char>(s[at + i]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

}  // namespace corvel
