#pragma once

#include <string_view>
#include <vector>

// Small text helpers for the line- and field-based formats the tools read.
namespace corvel::text {

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

// ASCII letters compared without regard to case.
inline bool equals_ignoring_case(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace corvel::text
