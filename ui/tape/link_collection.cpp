#include "ui/tape/link_collection.h"

namespace corvel {

std::string upper_case_key(std::string_view key) {
    std::string upper(key);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

}  // namespace corvel
