#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// Splits a command line into arguments by the platform rules the shell launcher's callers write for:
// blanks and tabs separate arguments outside double quotes; 2n backslashes before a quote give n
// backslashes and the quote opens or closes a quoted part, 2n+1 give n and a literal quote; other
// backslashes are literal; a doubled quote inside a quoted part is one literal quote. With
// `program_first`, the first argument follows the program-name rule: quoted up to the next quote,
// without escapes, else up to the first blank.
std::vector<std::string> split_command_line(std::string_view line, bool program_first);

}  // namespace corvel
