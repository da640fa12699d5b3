#include "platform/win32/win32_system_services.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>

#include "common/ole_date.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_clock.h"

namespace corvel::win32 {
namespace {

// 9 December 2025, 18:00.
constexpr double kEvening = 46000.75;

TEST(Win32EventLogTest, ReportsAreAcceptedShortOrLong) {
    Win32EventLog log("Corvel tests");
    EXPECT_TRUE(log.write_error("12/9/2025 - 6:00:00 PM\r\n\tError: 5, (Gr\u00F6\u00DFe \u2713)\r\n"));
    std::string long_report;
    while (long_report.size() < 100000)
        long_report += "                    Pelorin.frmAddRibbon.ButInsert_Click()\r\n";
    EXPECT_TRUE(log.write_error(long_report)) << "beyond what one entry takes";
    EXPECT_TRUE(log.write_error(""));
}

TEST(Win32EventLogTest, LongTextsAreCutBetweenCharactersNeverInsideOne) {
    // "a", then U+1F4C8 as a surrogate pair, three times.
    const std::wstring text = L"a\U0001F4C8a\U0001F4C8a\U0001F4C8";
    const auto pieces = event_log_pieces(text, 2);
    std::wstring joined;
    for (const auto piece : pieces) {
        EXPECT_LE(piece.size(), 2u);
        EXPECT_FALSE(piece.empty());
        EXPECT_FALSE(piece.back() >= 0xD800 && piece.back() <= 0xDBFF) << "a pair cut in two";
        joined += piece;
    }
    EXPECT_EQ(joined, text);
    EXPECT_EQ(pieces.size(), 6u);
    EXPECT_EQ(event_log_pieces(L"short", 100).size(), 1u);
    EXPECT_EQ(event_log_pieces(L"", 100).size(), 1u) << "an empty report is still an entry";
}

TEST(Win32OsVersionTest, TheSystemIsOfTheNtFamilyAndTellsItsVersion) {
    Win32OsVersion os;
    EXPECT_EQ(os.platform_id(OsVersion::kExtendedRecord), OsVersion::kPlatformNt);
    EXPECT_EQ(os.platform_id(OsVersion::kBasicRecord), OsVersion::kPlatformNt);
    EXPECT_FALSE(os.platform_id(0).has_value()) << "a record the system does not know";
    EXPECT_FALSE(os.platform_id(100).has_value());

    const auto version = Win32OsVersion::query(OsVersion::kExtendedRecord);
    ASSERT_TRUE(version.has_value());
    // Windows 7 (6.1) is the oldest system the libraries run on; no Windows has a major version above 10.
    EXPECT_TRUE((version->major == 6 && version->minor >= 1) || version->major == 10)
        << version->major << "." << version->minor;
    EXPECT_GT(version->build, 0u);
    const auto basic = Win32OsVersion::query(OsVersion::kBasicRecord);
    ASSERT_TRUE(basic.has_value());
    EXPECT_EQ(basic->major, version->major);
    EXPECT_EQ(basic->build, version->build);
}

TEST(Win32LocaleFormatTest, DatesTimesAndNumbersInTheFormsOfANamedLocale) {
    Win32LocaleFormat us("en-US");
    EXPECT_EQ(us.short_date(kEvening), "12/9/2025");
    EXPECT_EQ(us.long_time(kEvening), "6:00:00 PM");
    EXPECT_EQ(us.long_time(46000.0), "12:00:00 AM");
    EXPECT_EQ(us.number_separators().decimal, ".");
    EXPECT_EQ(us.number_separators().group, ",");

    Win32LocaleFormat german("de-DE");
    // Day, month and year with points between them; systems differ on the day's leading zero.
    EXPECT_THAT(german.short_date(kEvening), ::testing::MatchesRegex("0?9\\.12\\.2025"));
    EXPECT_EQ(german.long_time(kEvening + 1.0 / 86400.0), "18:00:01");
    EXPECT_EQ(german.number_separators().decimal, ",");
    EXPECT_EQ(german.number_separators().group, ".");

    // French groups digits with a no-break space (narrow in newer systems): more than one UTF-8 byte.
    const NumberSeparators french = Win32LocaleFormat("fr-FR").number_separators();
    EXPECT_EQ(french.decimal, ",");
    EXPECT_TRUE(french.group == "\u00A0" || french.group == "\u202F") << french.group;
}

TEST(Win32LocaleFormatTest, TheUsersOwnLocaleIsTheDefault) {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    ASSERT_GT(::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 0);
    Win32LocaleFormat user;
    Win32LocaleFormat named(narrow(name));
    EXPECT_FALSE(user.short_date(kEvening).empty());
    EXPECT_EQ(user.short_date(kEvening), named.short_date(kEvening));
    EXPECT_EQ(user.long_time(kEvening), named.long_time(kEvening));
    EXPECT_EQ(user.number_separators().decimal, named.number_separators().decimal);
}

TEST(Win32LocaleFormatTest, DatesTheSystemCannotWriteAndValuesThatAreNoDates) {
    EXPECT_THROW(Win32LocaleFormat("xx-Nowhere"), std::invalid_argument);
    Win32LocaleFormat us("en-US");
    const double middle_ages = ole_date_from_civil({1000, 3, 4, 5, 6, 7});
    EXPECT_EQ(us.short_date(middle_ages), "1000-03-04") << "before the system's calendar begins";
    EXPECT_EQ(us.long_time(middle_ages), "5:06:07 AM") << "a time of day has no calendar";
    EXPECT_EQ(us.short_date(ole_date_from_civil({9999, 12, 31})), "12/31/9999");
    EXPECT_EQ(us.short_date(3e6), "");
    EXPECT_EQ(us.long_time(std::numeric_limits<double>::quiet_NaN()), "");
}

TEST(Win32ClockTest, GivesTheLocalTimeAsAnOleDate) {
    Win32Clock clock;
    const double reading = clock.now();
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    const double expected = ole_date_from_civil({local.wYear, local.wMonth, local.wDay, local.wHour,
                                                 local.wMinute, local.wSecond, local.wMilliseconds});
    EXPECT_NEAR(reading, expected, 5.0 / 86400.0);
    EXPECT_LE(reading, clock.now());
}

}  // namespace
}  // namespace corvel::win32
