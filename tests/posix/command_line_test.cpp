#include "platform/posix/command_line.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineTest, QuotedProgramAndArgumentsSplitAsTheirAuthorMeant) {
    EXPECT_EQ(split_command_line("\"/opt/My Tools/run\" -q \"two words\" plain", true),
              (Args{"/opt/My Tools/run", "-q", "two words", "plain"}));
    EXPECT_EQ(split_command_line("  run\t a  ", true), (Args{"run", "a"}));
    EXPECT_EQ(split_command_line("\"/path\\with\\\"", true), (Args{"/path\\with\\"}))
        << "the program name knows no escapes";
    EXPECT_EQ(split_command_line("", true), Args{});
}

TEST(CommandLineTest, BackslashesEscapeOnlyBeforeAQuote) {
    EXPECT_EQ(split_command_line(R"(a\"b c\\"d e" f\\\"g h\i)", false),
              (Args{"a\"b", "c\\d e", "f\\\"g", "h\\i"}));
    EXPECT_EQ(split_command_line(R"("say ""hi""" "")", false), (Args{"say \"hi\"", ""}));
}

}  // namespace
}  // namespace corvel
