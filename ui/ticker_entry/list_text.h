#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// The stored form of a list: its entries joined by "|", nothing before the first or after the last,
// no escaping (an entry cannot hold "|"). Empty entries survive a round trip, except that a list of
// one empty entry reads back as no entries, because the empty text is the empty list.
inline constexpr char kListSeparator = '|';

// The entries of a list text: "" gives none, "a||b" three.
std::vector<std::string> split_list_text(std::string_view text);
std::string join_list_text(const std::vector<std::string>& entries);

}  // namespace corvel
