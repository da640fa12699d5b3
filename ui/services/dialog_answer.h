#pragma once

#include <string_view>

#include "common/text.h"

namespace corvel {

// Whether a dialog's answer (the text it left in its `Tag`) means `value`: it must be there and read
// as that number, so an empty answer (the close box) never means anything.
inline bool answer_is(std::string_view answer, double value) noexcept {
    return !answer.empty() && leading_number(answer) == value;
}

}  // namespace corvel
