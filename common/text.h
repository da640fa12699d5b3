#pragma once

#include <string>
#include <string_view>

namespace corvel {

// Letter case is ignored for ASCII letters only, as the platform's text comparison does for the
// names and codes the system compares (exchanges, verbs, addresses).
bool equals_ignore_case(std::string_view a, std::string_view b) noexcept;

// Replaces every occurrence of `from` (which must not be empty) from left to right; replaced text is
// not searched again.
std::string replace_all(std::string_view text, std::string_view from, std::string_view to);

// The number a text begins with, read the way the platform's `Val` reads it: blanks, tabs and line
// feeds are skipped wherever they stand, then an optional sign, digits, a decimal point and an
// exponent ("E" or "D"), or a hexadecimal ("&H") or octal ("&O") integer; reading stops at the first
// character that does not fit. A text without a leading number reads as 0.
double leading_number(std::string_view text) noexcept;

}  // namespace corvel
