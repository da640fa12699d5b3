#include "platform/posix/system_services.h"

#include <langinfo.h>
#include <syslog.h>
#include <time.h>

#include <string>

#include "common/ole_date.h"

namespace corvel {

bool SyslogEventLog::write_error(std::string_view text) {
    const std::string message(text);
    ::syslog(LOG_USER | LOG_ERR, "%s", message.c_str());
    return true;
}

PosixLocaleFormat::PosixLocaleFormat()
    : locale_(::newlocale(LC_TIME_MASK | LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr))) {
    // An environment naming a locale that is not installed falls back to the portable forms.
    if (locale_ == static_cast<locale_t>(nullptr)) {
        locale_ = ::newlocale(LC_TIME_MASK | LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    }
}

PosixLocaleFormat::~PosixLocaleFormat() {
    if (locale_ != static_cast<locale_t>(nullptr)) ::freelocale(locale_);
}

std::string PosixLocaleFormat::format(const char* pattern, double date) const {
    const CivilTime t = civil_from_ole_date(date);
    tm parts{};
    parts.tm_year = t.year - 1900;
    parts.tm_mon = t.month - 1;
    parts.tm_mday = t.day;
    parts.tm_hour = t.hour;
    parts.tm_min = t.minute;
    parts.tm_sec = t.second;
    parts.tm_isdst = -1;
    // The weekday, for locales whose forms name it.
    parts.tm_wday = static_cast<int>(((days_from_civil(t.year, t.month, t.day) % 7) + 11) % 7);
    char buffer[128];
    const std::size_t n = locale_ != static_cast<locale_t>(nullptr)
                              ? ::strftime_l(buffer, sizeof buffer, pattern, &parts, locale_)
                              : ::strftime(buffer, sizeof buffer, pattern, &parts);
    return std::string(buffer, n);
}

std::string PosixLocaleFormat::short_date(double date) {
    return format("%x", date);
}

std::string PosixLocaleFormat::long_time(double date) {
    return format("%X", date);
}

NumberSeparators PosixLocaleFormat::number_separators() {
    if (locale_ == static_cast<locale_t>(nullptr)) return {};
    const char* decimal = ::nl_langinfo_l(RADIXCHAR, locale_);
    const char* group = ::nl_langinfo_l(THOUSEP, locale_);
    NumberSeparators separators;
    if (decimal != nullptr && *decimal != '\0') separators.decimal = decimal;
    separators.group = group != nullptr ? group : "";
    return separators;
}

}  // namespace corvel
