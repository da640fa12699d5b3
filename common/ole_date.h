#pragma once

#include <string>

namespace corvel {

// A broken-down local date and time.
struct CivilTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// Days since 30 December 1899 (negative before it; the fraction is always the time of day).
double ole_date_from_civil(const CivilTime& t);
CivilTime civil_from_ole_date(double date);

// Days since 1 January 1970 of the proleptic Gregorian calendar (negative before it).
long long days_from_civil(int year, int month, int day);

// Offset between the OLE date epoch (1899-12-30) and the Unix epoch, in days.
inline constexpr double kOleDateUnixEpoch = 25569.0;

// The general text form of a date: "12/8/2026 7:57:39 PM"; the date alone when the time is midnight;
// the time alone on the epoch day. It is the stable form the system uses wherever a date becomes text.
std::string format_general_date(double date);

}  // namespace corvel
