#include "common/text.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

TEST(LeadingNumberTest, ReadsTheNumberATextBeginsWith) {
    EXPECT_EQ(leading_number("123"), 123.0);
    EXPECT_EQ(leading_number("-45px"), -45.0);
    EXPECT_EQ(leading_number(" 1 2 3"), 123.0) << "blanks are skipped anywhere";
    EXPECT_EQ(leading_number("\t+7\n8"), 78.0);
    EXPECT_EQ(leading_number("2.5e2x"), 250.0);
    EXPECT_EQ(leading_number("1.5D1"), 15.0);
    EXPECT_EQ(leading_number("12e"), 12.0) << "an exponent without digits is no exponent";
    EXPECT_EQ(leading_number(".5"), 0.5);
    EXPECT_EQ(leading_number("1,000"), 1.0) << "group separators end the number";
    EXPECT_EQ(leading_number("&HFF"), 255.0);
    EXPECT_EQ(leading_number("&HFFFF"), -1.0) << "16-bit when it fits";
    EXPECT_EQ(leading_number("&O17"), 15.0);
}

TEST(LeadingNumberTest, TextsWithoutALeadingNumberReadAsZero) {
    for (const char* text : {"", "abc", "-", "+", ".", "$5", "&", "&Z1", "\r5"}) {
        EXPECT_EQ(leading_number(text), 0.0) << '"' << text << '"';
    }
}

TEST(TextTest, ReplaceAllDoesNotRescanWhatItInserted) {
    EXPECT_EQ(replace_all("a%b%", "%", "%25"), "a%25b%25");
    EXPECT_EQ(replace_all("aaa", "aa", "a"), "aa");
    EXPECT_EQ(replace_all("", "x", "y"), "");
}

TEST(TextTest, EqualsIgnoreCaseFoldsAsciiLetters) {
    EXPECT_TRUE(equals_ignore_case("&Open", "&open"));
    EXPECT_FALSE(equals_ignore_case("open", "opens"));
    EXPECT_FALSE(equals_ignore_case("a[", "A{"));
}

}  // namespace
}  // namespace corvel
