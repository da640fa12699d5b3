#include "platform/posix/system_clock.h"

#include <gtest/gtest.h>

#include <ctime>

#include "common/ole_date.h"

namespace corvel {
namespace {

TEST(SystemClock, GivesTheLocalTimeAsAnOleDate) {
    SystemClock clock;
    const double reading = clock.now();
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    const double expected = ole_date_from_civil(
        {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
    EXPECT_NEAR(reading, expected, 5.0 / 86400.0);
    EXPECT_LE(reading, clock.now());
}

}  // namespace
}  // namespace corvel
