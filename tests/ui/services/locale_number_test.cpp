#include "ui/services/locale_number.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

const NumberSeparators kUs{".", ","};
const NumberSeparators kGerman{",", "."};

TEST(LocaleNumberTest, AcceptsWhatTheLocaleWritesAndReadsItsValue) {
    const std::pair<const char*, double> accepted[] = {
        {"100", 100},   {" 100 ", 100}, {"\t-1.5\t", -1.5}, {"+2", 2},       {"1,234.5", 1234.5},
        {"1,2,3", 123}, {"1,", 1},      {"5.", 5},          {".5", 0.5},     {"-0", 0},
        {"1e5", 1e5},   {"1E+05", 1e5}, {"2.5d-3", 2.5e-3}, {"2.5D3", 2500}, {"007", 7},
    };
    for (const auto& [text, value] : accepted) {
        const auto read = parse_locale_number(text, kUs);
        ASSERT_TRUE(read.has_value()) << text;
        EXPECT_DOUBLE_EQ(*read, value) << text;
        EXPECT_TRUE(is_locale_numeric(text, kUs)) << text;
    }
}

TEST(LocaleNumberTest, RefusesEverythingElse) {
    for (const char* text :
         {"",   " ",   "\t", "-",   "+",   ".",     ",",     ",5",   "1.2.3", "1.5,0", "Dec08", "12a", "a12",
          "1e", "1e+", "e5", "--1", "+-1", "1 000", "1e400", "0x10", "&H10",  "1-",    "(5)",   "$5"}) {
        EXPECT_FALSE(is_locale_numeric(text, kUs)) << '"' << text << '"';
    }
}

TEST(LocaleNumberTest, SeparatorsAreTheLocalesNotThePoint) {
    EXPECT_DOUBLE_EQ(*parse_locale_number("1,5", kGerman), 1.5);
    EXPECT_DOUBLE_EQ(*parse_locale_number("1.234,5", kGerman), 1234.5);
    EXPECT_DOUBLE_EQ(*parse_locale_number("1.5", kGerman), 15) << "a point groups digits there";
    EXPECT_FALSE(is_locale_numeric("1,2,3", kGerman));

    const NumberSeparators ungrouped{".", ""};
    EXPECT_FALSE(is_locale_numeric("1,000", ungrouped));
    EXPECT_DOUBLE_EQ(*parse_locale_number("1000.25", ungrouped), 1000.25);

    const NumberSeparators narrow_space{",", "\xE2\x80\xAF"};
    EXPECT_DOUBLE_EQ(*parse_locale_number("1\xE2\x80\xAF"
                                          "000,5",
                                          narrow_space),
                     1000.5);
    EXPECT_FALSE(
        is_locale_numeric("1\xE2\x80"
                          "000",
                          narrow_space))
        << "half a separator is no separator";
}

}  // namespace
}  // namespace corvel
