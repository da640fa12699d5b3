#pragma once

#include <locale.h>

#include <cstdint>
#include <optional>
#include <string>

#include "seams/event_log.h"
#include "seams/locale_format.h"
#include "seams/os_version.h"

namespace corvel {

// The system log stands in for the application event log. The error handler writes there only on
// the NT family, which this platform is not, so it stays quiet unless a caller asks directly.
class SyslogEventLog final : public EventLog {
  public:
    bool write_error(std::string_view text) override;
};

// This platform has no Windows version record: every query fails, so `IsWindowsNT` is false.
class PosixOsVersion final : public OsVersion {
  public:
    std::optional<std::int32_t> platform_id(std::uint32_t) override { return std::nullopt; }
};

// The user's date, time and number forms from the locale the environment names (LC_ALL, LC_TIME,
// LC_NUMERIC, LANG), without touching the process's own locale.
class PosixLocaleFormat final : public LocaleFormat {
  public:
    PosixLocaleFormat();
    ~PosixLocaleFormat() override;
    PosixLocaleFormat(const PosixLocaleFormat&) = delete;
    PosixLocaleFormat& operator=(const PosixLocaleFormat&) = delete;

    std::string short_date(double date) override;
    std::string long_time(double date) override;
    NumberSeparators number_separators() override;

  private:
    std::string format(const char* pattern, double date) const;
    locale_t locale_;
};

}  // namespace corvel
