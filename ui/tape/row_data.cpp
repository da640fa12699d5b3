#include "ui/tape/row_data.h"

#include "ui/tape/tape_names.h"

namespace corvel {

std::pair<std::string, std::string> split_row_data(std::string_view data) {
    const std::size_t split = data.find(tape::kCrLf);
    if (split == std::string_view::npos) return {std::string(data), std::string()};
    return {std::string(data.substr(0, split)), std::string(data.substr(split + 2))};
}

}  // namespace corvel
