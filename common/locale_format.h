#pragma once

#include <string>

namespace corvel {

// Dates and times in the forms the user chose for their locale.
class LocaleFormat {
public:
    virtual ~LocaleFormat() = default;
    // `date` is an OLE date (days since 30 December 1899, fraction = time of day).
    virtual std::string short_date(double date) = 0;
    virtual std::string long_time(double date) = 0;
};

}  // namespace corvel
