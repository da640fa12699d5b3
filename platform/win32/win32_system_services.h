#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/event_log.h"
#include "seams/locale_format.h"
#include "seams/os_version.h"

namespace corvel::win32 {

// The application event log, under a source name of the caller's (the library's name). The source is
// registered for each entry and let go after it, so nothing stays open between two reports. No message
// file is installed for it: the event viewer shows the text as the entry's inserted string.
class Win32EventLog final : public EventLog {
  public:
    // Longest text one entry takes, in UTF-16 units: the log refuses an inserted string of more than
    // 31,839 characters, and a record's whole size is bounded too, so stay well below both.
    static constexpr std::size_t kEntryLimit = 15000;

    explicit Win32EventLog(std::string_view source);
    // A text longer than one entry takes goes into consecutive entries, each headed "[part i of n]",
    // so a long call stack is not lost to the log's limit.
    bool write_error(std::string_view text) override;

  private:
    std::wstring source_;
};

// Where a text is cut into entries of at most `limit` UTF-16 units: never inside a surrogate pair.
std::vector<std::wstring_view> event_log_pieces(std::wstring_view text, std::size_t limit);

// The version Windows really runs. Since Windows 8.1 the documented version query answers a process
// without a compatibility manifest (Excel loading this library has one, a test program may not) with
// 6.2 whatever the system is; the kernel's own query in ntdll tells the truth to every caller.
struct WindowsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::int32_t platform_id = 0;
};

class Win32OsVersion final : public OsVersion {
  public:
    // The sizes are those of the extended and basic record the error handler asks with; any other size
    // is refused, as the system refuses a record it does not know.
    std::optional<std::int32_t> platform_id(std::uint32_t record_size) override;
    static std::optional<WindowsVersion> query(std::uint32_t record_size);
};

// Dates, times and numbers in the forms of a locale: the user's own (with the changes they made to it
// in the control panel), or a locale named like "de-DE".
class Win32LocaleFormat final : public LocaleFormat {
  public:
    // Throws std::invalid_argument for a name the system has no locale for.
    explicit Win32LocaleFormat(std::string_view locale_name = {});

    // A date the system cannot write (before the year 1601) is written as "yyyy-MM-dd" (a time of day
    // always has the locale's form); a value that is no date (not finite, beyond the year 9999) gives
    // the empty text.
    std::string short_date(double date) override;
    std::string long_time(double date) override;
    NumberSeparators number_separators() override;

  private:
    const wchar_t* name() const noexcept { return name_.empty() ? nullptr : name_.c_str(); }
    std::wstring locale_info(unsigned long type) const;
    std::wstring name_;
};

}  // namespace corvel::win32
