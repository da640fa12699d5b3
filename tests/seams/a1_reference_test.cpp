#include "seams/workbook/a1_reference.h"

#include <gtest/gtest.h>

namespace corvel::workbook {
namespace {

TEST(A1Reference, ReadsCellsBlocksColumnsAndRowsInAnyCaseWithOrWithoutDollars) {
    EXPECT_EQ(parse_a1("B3"), (CellArea{3, 2, 3, 2}));
    EXPECT_EQ(parse_a1("$B$3:$D$22"), (CellArea{3, 2, 22, 4}));
    EXPECT_EQ(parse_a1("b3:d22"), (CellArea{3, 2, 22, 4}));
    EXPECT_EQ(parse_a1("$D22:B$3"), (CellArea{3, 2, 22, 4})) << "corners in either order";
    EXPECT_EQ(parse_a1("$E:$E"), (CellArea{1, 5, kMaxRows, 5}));
    EXPECT_EQ(parse_a1("5:7"), (CellArea{5, 1, 7, kMaxColumns}));
    EXPECT_EQ(parse_a1("XFD1048576"), (CellArea{kMaxRows, kMaxColumns, kMaxRows, kMaxColumns}));
}

TEST(A1Reference, RefusesNamesAndPositionsOffTheSheet) {
    for (const char* text : {"", "E", "5", "$", "B$", "$$5", "A0", "XFE1", "A1048577", "TWS_Symbol", "A1:5",
                             "E:5", "A1:B2:C3", "R1C1", " A1", "A1 "}) {
        EXPECT_FALSE(parse_a1(text)) << text;
    }
}

TEST(A1Reference, WritesAddressesAbsoluteOrRelative) {
    EXPECT_EQ(a1_address(CellArea{5, 1, 5, 13}, true, true), "$A$5:$M$5");
    EXPECT_EQ(a1_address(CellArea{3, 2, 22, 4}, false, false), "B3:D22");
    EXPECT_EQ(a1_address(CellArea{12, 4, 12, 4}, false, false), "D12");
    EXPECT_EQ(a1_address(CellArea{1, 5, kMaxRows, 5}, true, true), "$E:$E");
    EXPECT_EQ(a1_address(CellArea{5, 1, 5, kMaxColumns}, true, true), "$5:$5");
    EXPECT_EQ(column_letters(26), "Z");
    EXPECT_EQ(column_letters(27), "AA");
    EXPECT_EQ(column_letters(kMaxColumns), "XFD");
}

TEST(A1Reference, SplitsOffTheSheetQualifier) {
    auto plain = split_sheet_reference("B3:D10");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->sheet);
    auto qualified = split_sheet_reference("Sheet1!B3:D22");
    ASSERT_TRUE(qualified);
    EXPECT_EQ(qualified->sheet, "Sheet1");
    EXPECT_EQ(qualified->rest, "B3:D22");
    auto quoted = split_sheet_reference("'Bob''s Sheet'!A1");
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->sheet, "Bob's Sheet");
    EXPECT_EQ(quoted->rest, "A1");
    EXPECT_FALSE(split_sheet_reference("'My Sheet!A1"));
    EXPECT_FALSE(split_sheet_reference("!A1"));
    EXPECT_FALSE(split_sheet_reference("My Sheet!A1")) << "a blank needs quotes";
}

TEST(A1Reference, TheSheetQualifierEndsAfterTheClosingQuoteOfAQuotedName) {
    EXPECT_EQ(sheet_separator("Sheet1!B3"), 6u);
    EXPECT_EQ(sheet_separator("a!b!c"), 1u) << "a plain name ends at the first \"!\"";
    EXPECT_EQ(sheet_separator("'Q!1'!B3:C22"), 5u);
    EXPECT_EQ(sheet_separator("'It''s'!A1"), 7u);
    EXPECT_EQ(sheet_separator("'Q!''s!'!A1"), 8u) << "doubled quotes and signs inside one name";
    EXPECT_EQ(sheet_separator("B3:D10"), std::string_view::npos);
    EXPECT_EQ(sheet_separator("'Q!1"), 2u) << "without a closing quote the first \"!\" is all there is";
    EXPECT_EQ(sheet_separator("'Q'x!A1"), 4u);
    EXPECT_EQ(sheet_separator("''"), std::string_view::npos);
    EXPECT_EQ(sheet_separator(""), std::string_view::npos);
}

}  // namespace
}  // namespace corvel::workbook
