#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace corvel {

// A security type as the contract dialog offers it: its position (what `ComTypeListIndex` carries),
// the name its page and the type selector show, and the code the add-in passes on to TWS.
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

// The page captions of the contract dialog, in the order of the types above.
inline constexpr const char* kSecurityTypeCaptions = "Stock|Option|Futures|Index|FutOpt|Cash";

// The type of that exact name (letter case counts), or null.
inline const SecurityType* find_security_type(std::string_view name) noexcept {
    for (const SecurityType& type : kSecurityTypes) {
        if (type.name == name) return &type;
    }
    return nullptr;
}

}  // namespace corvel
