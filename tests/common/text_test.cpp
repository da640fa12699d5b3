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

TEST(PrintableTest, ControlCharactersAreSpelledOutSoATerminalShowsThemInsteadOfObeying) {
    // Clear screen, a window title (OSC ... BEL), a carriage return over the line, DEL.
    EXPECT_EQ(printable("a\x1b[2Jb"), "a\\x1B[2Jb");
    EXPECT_EQ(printable("\x1b]0;owned\x07"), "\\x1B]0;owned\\x07");
    EXPECT_EQ(printable("ok\rfake\n\t"), "ok\\x0Dfake\\x0A\\x09");
    EXPECT_EQ(printable(std::string("x\0y\x7F", 4)), "x\\x00y\\x7F");
    // C1 controls: CSI as UTF-8 (U+009B) and as a lone byte, which is not UTF-8 at all.
    EXPECT_EQ(printable("\xC2\x9B"
                        "2J"),
              "\\xC2\\x9B2J");
    EXPECT_EQ(printable("\x9B"
                        "2J"),
              "\\x9B2J");
}

TEST(PrintableTest, PrintableUtf8PassesAndBrokenSequencesAreSpelledOut) {
    EXPECT_EQ(printable("Ordre refus\xC3\xA9 \xF0\x9F\x98\x80 \xC2\xA0"),
              "Ordre refus\xC3\xA9 \xF0\x9F\x98\x80 \xC2\xA0");
    EXPECT_EQ(printable("caf\xE9"), "caf\\xE9");              // Latin-1, not UTF-8
    EXPECT_EQ(printable("\xC3"), "\\xC3");                    // cut short
    EXPECT_EQ(printable("\xC0\xAF"), "\\xC0\\xAF");           // overlong
    EXPECT_EQ(printable("\xED\xA0\x80"), "\\xED\\xA0\\x80");  // a surrogate
    EXPECT_EQ(printable("plain text, \\u001b stays"), "plain text, \\u001b stays");
    EXPECT_EQ(printable(""), "");
}

}  // namespace
}  // namespace corvel
