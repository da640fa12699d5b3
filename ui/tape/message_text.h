#pragma once

#include <string>
#include <string_view>

namespace corvel {

// A validation message template with its placeholders 'AdditionalInformation1' and
// 'AdditionalInformation2' filled in. Both are filled in one pass, so a text put in for one
// placeholder is never searched for the other: a tape named "AdditionalInformation1" stays as named.
std::string fill_message(std::string_view message, std::string_view information1,
                         std::string_view information2 = {});

}  // namespace corvel
