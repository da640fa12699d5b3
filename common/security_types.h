#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvel {

// A security type as the contract dialog offers it: its position (what `ComTypeListIndex` carries),
// the name its page and the type selector show, and the code passed on to TWS. The market-data tool
// reads the same names and codes from its contracts.
struct SecurityType {
    std::int16_t index;
    std::string_view name;
    std::string_view code;
};

inline constexpr std::array<SecurityType, 6> kSecurityTypes = {{
    {0, "Stock", "STK"},
    {1, "Option", "OPT"},
    {2, "Futures", "FUT"},
    {3, "Index", "IND"},
    {4, "FutOpt", "FOP"},
    {5, "Cash", "CASH"},
}};

// The index of the type of that exact name (letter case counts), or -1.
constexpr int security_type_index(std::string_view name) noexcept {
    for (std::size_t i = 0; i < kSecurityTypes.size(); ++i) {
        if (kSecurityTypes[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

// The type of that exact name, or null.
constexpr const SecurityType* find_security_type(std::string_view name) noexcept {
    const int index = security_type_index(name);
    return index < 0 ? nullptr : &kSecurityTypes[static_cast<std::size_t>(index)];
}

namespace detail {
constexpr std::size_t security_type_captions_size() noexcept {
    std::size_t size = kSecurityTypes.size() - 1;  // the separators
    for (const SecurityType& type : kSecurityTypes)
        size += type.name.size();
    return size;
}

constexpr std::array<char, security_type_captions_size()> join_security_type_names() noexcept {
    std::array<char, security_type_captions_size()> out{};
    std::size_t at = 0;
    for (const SecurityType& type : kSecurityTypes) {
        if (at != 0) out[at++] = '|';
        for (const char c : type.name)
            out[at++] = c;
    }
    return out;
}

inline constexpr auto kSecurityTypeCaptionText = join_security_type_names();
}  // namespace detail

// The names in order, separated by "|": the page captions of the contract dialog.
inline constexpr std::string_view kSecurityTypeCaptions{detail::kSecurityTypeCaptionText.data(),
                                                        detail::kSecurityTypeCaptionText.size()};

}  // namespace corvel
