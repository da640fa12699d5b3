#include "platform/posix/system_services.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace corvel {
namespace {

TEST(PosixLocaleFormatTest, DatesAndTimesFollowTheLocaleTheEnvironmentNames) {
    const char* saved = std::getenv("LC_ALL");
    const std::string previous = saved ? saved : "";
    ::setenv("LC_ALL", "C", 1);
    PosixLocaleFormat format;
    if (saved) {
        ::setenv("LC_ALL", previous.c_str(), 1);
    } else {
        ::unsetenv("LC_ALL");
    }
    EXPECT_EQ(format.short_date(46000.75), "12/09/25");
    EXPECT_EQ(format.long_time(46000.75), "18:00:00");
    const NumberSeparators numbers = format.number_separators();
    EXPECT_EQ(numbers.decimal, ".");
    EXPECT_EQ(numbers.group, "") << "the portable locale groups no digits";
}

TEST(PosixOsVersionTest, ThisPlatformIsNoWindowsNt) {
    PosixOsVersion os;
    EXPECT_FALSE(os.platform_id(OsVersion::kExtendedRecord).has_value());
    EXPECT_FALSE(os.platform_id(OsVersion::kBasicRecord).has_value());
}

}  // namespace
}  // namespace corvel
