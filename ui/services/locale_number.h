#pragma once

#include <optional>
#include <string_view>

#include "seams/locale_format.h"

namespace corvel {

// Reads `text` as a number written the way the user's locale writes it, as the platform's
// locale-aware numeric test and conversion do: blanks (spaces, tabs) around it, a leading "+" or "-",
// digits with group separators anywhere after the first digit of the whole part, one decimal
// separator, and an exponent ("E" or "D" in either case, its own sign, at least one digit). Anything
// else is no number: the empty text, a lone sign or separator, a second decimal separator, letters,
// and values beyond the range of a double.
std::optional<double> parse_locale_number(std::string_view text, const NumberSeparators& separators);

inline bool is_locale_numeric(std::string_view text, const NumberSeparators& separators) {
    return parse_locale_number(text, separators).has_value();
}

}  // namespace corvel
