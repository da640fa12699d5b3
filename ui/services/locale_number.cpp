#include "ui/services/locale_number.h"

#include <charconv>
#include <string>
#include <system_error>

namespace corvel {

namespace {
bool is_digit(char c) noexcept {
    return c >= '0' && c <= '9';
}
bool is_blank(char c) noexcept {
    return c == ' ' || c == '\t';
}

// Reads the text left to right into the invariant form that `from_chars` takes.
class NumberReader {
  public:
    NumberReader(std::string_view text, const NumberSeparators& separators)
        : text_(text), separators_(separators) {}

    std::optional<double> read() {
        trim();
        if (text_.empty()) return std::nullopt;
        sign();
        const bool whole = whole_part();
        const bool fraction = fraction_part();
        if (!whole && !fraction) return std::nullopt;
        if (!exponent() || !text_.empty()) return std::nullopt;
        double value = 0.0;
        const auto [end, error] =
            std::from_chars(invariant_.data(), invariant_.data() + invariant_.size(), value);
        if (error != std::errc() || end != invariant_.data() + invariant_.size()) return std::nullopt;
        return value;
    }

  private:
    void trim() {
        while (!text_.empty() && is_blank(text_.front()))
            text_.remove_prefix(1);
        while (!text_.empty() && is_blank(text_.back()))
            text_.remove_suffix(1);
    }
    bool take(std::string_view piece) {
        if (piece.empty() || !text_.starts_with(piece)) return false;
        text_.remove_prefix(piece.size());
        return true;
    }
    void sign() {
        if (take("-")) {
            invariant_.push_back('-');
        } else {
            take("+");
        }
    }
    bool digits() {
        bool any = false;
        while (!text_.empty() && is_digit(text_.front())) {
            invariant_.push_back(text_.front());
            text_.remove_prefix(1);
            any = true;
        }
        return any;
    }
    // Group separators only count once a digit was read, so "1,000" is a thousand and ",5" no number.
    // A locale whose two separators are the same reads that character as the decimal separator.
    bool whole_part() {
        bool any = digits();
        const bool grouping = !separators_.group.empty() && separators_.group != separators_.decimal;
        while (any && grouping && take(separators_.group))
            digits();
        return any;
    }
    bool fraction_part() {
        if (!take(separators_.decimal)) return false;
        invariant_.push_back('.');
        return digits();
    }
    bool exponent() {
        if (text_.empty()) return true;
        const char letter = text_.front();
        if (letter != 'E' && letter != 'e' && letter != 'D' && letter != 'd') return true;
        text_.remove_prefix(1);
        invariant_.push_back('e');
        sign();
        return digits();
    }

    std::string_view text_;
    const NumberSeparators& separators_;
    std::string invariant_;
};
}  // namespace

std::optional<double> parse_locale_number(std::string_view text, const NumberSeparators& separators) {
    return NumberReader(text, separators).read();
}

}  // namespace corvel
