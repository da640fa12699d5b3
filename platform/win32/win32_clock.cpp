#include "platform/win32/win32_clock.h"

#include <windows.h>

namespace corvel::win32 {

namespace {
// Days from 1 January 1601 (file times) to 30 December 1899 (OLE dates).
constexpr double kFileTimeToOleDays = 109205.0;
constexpr double kTicksPerDay = 864000000000.0;  // 100-nanosecond ticks
}  // namespace

double Win32Clock::now() {
    FILETIME utc, local;
    ::GetSystemTimeAsFileTime(&utc);
    ::FileTimeToLocalFileTime(&utc, &local);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
    return static_cast<double>(ticks) / kTicksPerDay - kFileTimeToOleDays;
}

}  // namespace corvel::win32
