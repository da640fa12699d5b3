#pragma once

#include <string>

namespace corvel {

// How the user's locale writes the parts of a number. Either separator may be more than one byte (a
// UTF-8 locale grouping with a narrow no-break space); an empty group separator means the locale
// groups no digits.
struct NumberSeparators {
    std::string decimal = ".";
    std::string group = ",";
};

// Dates, times and numbers in the forms the user chose for their locale.
class LocaleFormat {
  public:
    virtual ~LocaleFormat() = default;
    // `date` is an OLE date (days since 30 December 1899, fraction = time of day).
    virtual std::string short_date(double date) = 0;
    virtual std::string long_time(double date) = 0;
    // The invariant forms unless a binding knows the user's: a binding for a real locale overrides
    // this, or numbers typed the way the user writes them are refused or misread.
    virtual NumberSeparators number_separators() { return {}; }
};

}  // namespace corvel
