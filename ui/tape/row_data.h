#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace corvel {

// The two lines of a symbol row's row data in the tape dialog's symbol grid: "1" or "0" for a
// complete or incomplete contract, CR LF, and the range address of the row on the quotes sheet.
std::pair<std::string, std::string> split_row_data(std::string_view data);

}  // namespace corvel
