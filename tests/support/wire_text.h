#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace corvel::fakes {

// Wire bytes written the way the protocol notes write them: fields each ended by a NUL.
inline std::string fields(std::initializer_list<std::string_view> values) {
    std::string out;
    for (const auto v : values) {
        out.append(v);
        out.push_back('\0');
    }
    return out;
}

// A 4-byte big-endian length followed by the payload.
inline std::string framed(std::string_view payload) {
    const auto n = static_cast<std::uint32_t>(payload.size());
    std::string out;
    out.push_back(static_cast<char>(n >> 24));
    out.push_back(static_cast<char>(n >> 16));
    out.push_back(static_cast<char>(n >> 8));
    out.push_back(static_cast<char>(n));
    out.append(payload);
    return out;
}

inline std::string frame(std::initializer_list<std::string_view> values) {
    return framed(fields(values));
}

}  // namespace corvel::fakes
