#include "platform/win32/win32_system_services.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "common/ole_date.h"
#include "platform/win32/system_handles.h"
#include "platform/win32/text.h"

namespace corvel::win32 {

namespace {
// Every entry has the same number: the source installs no message file whose texts it could select.
constexpr DWORD kReportEventId = 1;

bool is_high_surrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
}  // namespace

std::vector<std::wstring_view> event_log_pieces(std::wstring_view text, std::size_t limit) {
    std::vector<std::wstring_view> pieces;
    if (limit < 2) limit = 2;  // room for a whole surrogate pair
    do {
        std::size_t n = std::min(limit, text.size());
        if (n < text.size() && is_high_surrogate(text[n - 1])) --n;
        pieces.push_back(text.substr(0, n));
        text.remove_prefix(n);
    } while (!text.empty());
    return pieces;
}

Win32EventLog::Win32EventLog(std::string_view source) : source_(widen(source)) {}

bool Win32EventLog::write_error(std::string_view text) {
    const std::wstring wide = widen(text);
    unique_event_source log(::RegisterEventSourceW(nullptr, source_.c_str()));
    if (!log) return false;
    const std::vector<std::wstring_view> pieces = event_log_pieces(wide, kEntryLimit);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        std::wstring entry;
        if (pieces.size() > 1) {
            entry = L"[part " + std::to_wstring(i + 1) + L" of " + std::to_wstring(pieces.size()) + L"]\r\n";
        }
        entry.append(pieces[i]);
        const wchar_t* strings[] = {entry.c_str()};
        if (!::ReportEventW(log.get(), EVENTLOG_ERROR_TYPE, 0, kReportEventId, nullptr, 1, 0, strings,
                            nullptr)) {
            return false;
        }
    }
    return log.close();
}

std::optional<WindowsVersion> Win32OsVersion::query(std::uint32_t record_size) {
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    // ntdll is in every process from its first instruction: no load, nothing to free.
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const FARPROC found = ntdll ? ::GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (!found) return std::nullopt;
    const auto get_version = reinterpret_cast<RtlGetVersion>(reinterpret_cast<void*>(found));

    OSVERSIONINFOEXW record{};
    if (record_size == OsVersion::kExtendedRecord) {
        record.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    } else if (record_size == OsVersion::kBasicRecord) {
        record.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    } else {
        return std::nullopt;
    }
    if (get_version(reinterpret_cast<OSVERSIONINFOW*>(&record)) != 0) return std::nullopt;
    return WindowsVersion{record.dwMajorVersion, record.dwMinorVersion, record.dwBuildNumber,
                          static_cast<std::int32_t>(record.dwPlatformId)};
}

std::optional<std::int32_t> Win32OsVersion::platform_id(std::uint32_t record_size) {
    const std::optional<WindowsVersion> version = query(record_size);
    if (!version) return std::nullopt;
    return version->platform_id;
}

namespace {
// The range of OLE dates: 1 January 100 to 31 December 9999.
constexpr double kFirstOleDate = -657434.0;
constexpr double kLastOleDate = 2958466.0;

// The system's answer for a text it writes into a buffer: asked once for the length, once to fill it.
template <class Call>
std::wstring sized_text(Call&& call) {
    const int n = call(nullptr, 0);
    if (n <= 0) return {};
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    const int written = call(text.data(), n);
    if (written <= 0) return {};
    text.resize(static_cast<std::size_t>(written - 1));  // the count includes the terminating null
    return text;
}

bool is_ole_date(double date) {
    return std::isfinite(date) && date > kFirstOleDate - 1 && date < kLastOleDate;
}

SYSTEMTIME system_time(const CivilTime& t) {
    SYSTEMTIME s{};
    s.wYear = static_cast<WORD>(t.year);
    s.wMonth = static_cast<WORD>(t.month);
    s.wDay = static_cast<WORD>(t.day);
    s.wHour = static_cast<WORD>(t.hour);
    s.wMinute = static_cast<WORD>(t.minute);
    s.wSecond = static_cast<WORD>(t.second);
    s.wMilliseconds = static_cast<WORD>(t.millisecond);
    // The weekday, for forms that name it: 0 is Sunday, and 1 January 1970 was a Thursday.
    s.wDayOfWeek = static_cast<WORD>(((days_from_civil(t.year, t.month, t.day) % 7) + 11) % 7);
    return s;
}

std::string fixed_form(const char* pattern, int a, int b, int c) {
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}
}  // namespace

Win32LocaleFormat::Win32LocaleFormat(std::string_view locale_name) : name_(widen(locale_name)) {
    if (!name_.empty() && !::IsValidLocaleName(name_.c_str())) {
        throw std::invalid_argument("no locale is named '" + std::string(locale_name) + "'");
    }
}

std::string Win32LocaleFormat::short_date(double date) {
    if (!is_ole_date(date)) return {};
    const CivilTime t = civil_from_ole_date(date);
    const SYSTEMTIME s = system_time(t);
    const std::wstring text = sized_text([&](wchar_t* out, int n) {
        return ::GetDateFormatEx(name(), DATE_SHORTDATE, &s, nullptr, out, n, nullptr);
    });
    if (text.empty()) return fixed_form("%04d-%02d-%02d", t.year, t.month, t.day);
    return narrow(text);
}

std::string Win32LocaleFormat::long_time(double date) {
    if (!is_ole_date(date)) return {};
    const CivilTime t = civil_from_ole_date(date);
    const SYSTEMTIME s = system_time(t);
    const std::wstring text =
        sized_text([&](wchar_t* out, int n) { return ::GetTimeFormatEx(name(), 0, &s, nullptr, out, n); });
    if (text.empty()) return fixed_form("%02d:%02d:%02d", t.hour, t.minute, t.second);
    return narrow(text);
}

std::wstring Win32LocaleFormat::locale_info(unsigned long type) const {
    return sized_text([&](wchar_t* out, int n) { return ::GetLocaleInfoEx(name(), type, out, n); });
}

NumberSeparators Win32LocaleFormat::number_separators() {
    NumberSeparators separators;
    const std::wstring decimal = locale_info(LOCALE_SDECIMAL);
    if (!decimal.empty()) separators.decimal = narrow(decimal);
    // A grouping of "0" writes the digits without groups, whatever the separator would be.
    const std::wstring grouping = locale_info(LOCALE_SGROUPING);
    if (!grouping.empty()) {
        separators.group = grouping.front() == L'0' ? std::string() : narrow(locale_info(LOCALE_STHOUSAND));
    }
    return separators;
}

}  // namespace corvel::win32
