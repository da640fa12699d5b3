#pragma once

#include <string>
#include <string_view>

#include "common/variant.h"

namespace corvel {

// A text as it must be given to a cell's Value for the cell to hold exactly that text. The workbook
// reads what it is given as if typed: "=..." (and "+...", "-...", "@...") becomes a formula, "00123" a
// number, "1/2" a date, and a leading apostrophe is taken off. A header made of a user's ticker or
// name must never become a formula in the user's workbook, so every text goes in behind an
// apostrophe, which the workbook keeps as the cell's prefix and not in its value. Nothing stays nothing.
inline Variant cell_text(std::string_view text) {
    if (text.empty()) return Variant();
    return Variant("'" + std::string(text));
}

}  // namespace corvel
