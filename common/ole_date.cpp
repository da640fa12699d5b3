#include "common/ole_date.h"

#include <cmath>
#include <cstdio>

namespace corvel {

long long days_from_civil(int year, int month, int day) {
    // Howard Hinnant's days_from_civil: exact for the proleptic Gregorian calendar.
    const long long y = static_cast<long long>(year) - (month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned mp = static_cast<unsigned>(month > 2 ? month - 3 : month + 9);
    const unsigned doy = (153 * mp + 2) / 5 + static_cast<unsigned>(day) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

namespace {

void civil_from_days(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2 ? 1 : 0));
}

constexpr long long kOleEpochDays = -25569;  // 1899-12-30 counted from 1970-01-01

}  // namespace

double ole_date_from_civil(const CivilTime& t) {
    const long long days = days_from_civil(t.year, t.month, t.day) - kOleEpochDays;
    const double fraction = (t.hour * 3600.0 + t.minute * 60.0 + t.second + t.millisecond / 1000.0) / 86400.0;
    // Before the epoch the day counts down but the fraction still counts the time of day up.
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

namespace {

// Breaks a date down with its time of day rounded to a whole number of `unit_ms` milliseconds.
CivilTime civil_rounded(double date, long long unit_ms) {
    CivilTime t;
    const double whole = std::trunc(date);
    const double fraction = std::fabs(date - whole);
    long long ms = std::llround(fraction * 86400000.0 / static_cast<double>(unit_ms)) * unit_ms;
    long long days = static_cast<long long>(whole);
    if (ms >= 86400000LL) {  // rounding reached the next midnight
        ms -= 86400000LL;
        days += date >= 0 ? 1 : -1;
    }
    civil_from_days(days + kOleEpochDays, t.year, t.month, t.day);
    t.hour = static_cast<int>(ms / 3600000);
    t.minute = static_cast<int>(ms / 60000 % 60);
    t.second = static_cast<int>(ms / 1000 % 60);
    t.millisecond = static_cast<int>(ms % 1000);
    return t;
}

}  // namespace

CivilTime civil_from_ole_date(double date) {
    return civil_rounded(date, 1);
}

std::string format_general_date(double date) {
    // The general form shows whole seconds; round rather than cut the milliseconds.
    const CivilTime t = civil_rounded(date, 1000);
    const bool has_time = t.hour || t.minute || t.second;
    const bool has_date = std::trunc(date) != 0.0;
    char buf[64];
    std::string out;
    if (has_date || !has_time) {
        std::snprintf(buf, sizeof buf, "%d/%d/%d", t.month, t.day, t.year);
        out = buf;
    }
    if (has_time) {
        const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h12, t.minute, t.second, t.hour < 12 ? "AM" : "PM");
        if (!out.empty()) out += ' ';
        out += buf;
    }
    return out;
}

}  // namespace corvel
