#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// Letter case is ignored for ASCII letters only, as the platform's text comparison does for the
// names and codes the system compares (exchanges, verbs, addresses).
bool equals_ignore_case(std::string_view a, std::string_view b) noexcept;

// Replaces every occurrence of `from` (which must not be empty) from left to right; replaced text is
// not searched again.
std::string replace_all(std::string_view text, std::string_view from, std::string_view to);

// Text from a peer (a server's message, a field it sent) made safe to print on a terminal or in a
// log line: control characters (C0, DEL and the C1 range) and bytes that are not UTF-8 are spelled
// out as \xHH, byte by byte, so a terminal shows them instead of obeying them (escape sequences,
// carriage returns, bells). Printable UTF-8 passes unchanged.
std::string printable(std::string_view text);

// The number a text begins with, read the way the platform's `Val` reads it: blanks, tabs and line
// feeds are skipped wherever they stand, then an optional sign, digits, a decimal point and an
// exponent ("E" or "D"), or a hexadecimal ("&H") or octal ("&O") integer; reading stops at the first
// character that does not fit. A text without a leading number reads as 0.
double leading_number(std::string_view text) noexcept;

// Small helpers for the line- and field-based formats the tools read.
namespace text {

// Without leading and trailing blanks, tabs and carriage returns.
inline std::string_view trim(std::string_view s) noexcept {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The parts between separators, each trimmed; one part for text without a separator.
inline std::vector<std::string_view> split(std::string_view s, char separator) {
    std::vector<std::string_view> out;
    for (;;) {
        const std::size_t at = s.find(separator);
        out.push_back(trim(s.substr(0, at)));
        if (at == std::string_view::npos) return out;
        s = s.substr(at + 1);
    }
}

// Takes the first line off `rest` (without its newline) and returns it trimmed.
inline std::string_view next_line(std::string_view& rest) noexcept {
    const std::size_t end = rest.find('\n');
    const std::string_view line = trim(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    return line;
}

}  // namespace text

}  // namespace corvel
