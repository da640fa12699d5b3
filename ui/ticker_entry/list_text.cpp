#include "ui/ticker_entry/list_text.h"

namespace corvel {

std::vector<std::string> split_list_text(std::string_view text) {
    std::vector<std::string> entries;
    if (text.empty()) return entries;
    for (std::size_t start = 0;;) {
        const std::size_t bar = text.find(kListSeparator, start);
        if (bar == std::string_view::npos) {
            entries.emplace_back(text.substr(start));
            return entries;
        }
        entries.emplace_back(text.substr(start, bar - start));
        start = bar + 1;
    }
}

std::string join_list_text(const std::vector<std::string>& entries) {
    std::string text;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) text.push_back(kListSeparator);
        text += entries[i];
    }
    return text;
}

}  // namespace corvel
