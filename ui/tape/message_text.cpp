#include "ui/tape/message_text.h"

namespace corvel {

std::string fill_message(std::string_view message, std::string_view information1,
                         std::string_view information2) {
    static constexpr std::string_view kPlaceholder = "AdditionalInformation";
    std::string filled;
    std::size_t at = 0;
    for (;;) {
        const std::size_t found = message.find(kPlaceholder, at);
        const std::size_t digit = found + kPlaceholder.size();
        if (found == std::string_view::npos) break;
        if (digit < message.size() && (message[digit] == '1' || message[digit] == '2')) {
            filled.append(message.substr(at, found - at));
            filled.append(message[digit] == '1' ? information1 : information2);
            at = digit + 1;
        } else {
            filled.append(message.substr(at, digit - at));
            at = digit;
        }
    }
    filled.append(message.substr(at));
    return filled;
}

}  // namespace corvel
