#include "common/variant.h"

#include <gtest/gtest.h>

#include "common/ole_date.h"

namespace corvel {
namespace {

TEST(Variant, IntegerConversionRoundsHalvesToEvenAndChecksTheRange) {
    EXPECT_EQ(Variant(2.5).to_int32(), 2);
    EXPECT_EQ(Variant(3.5).to_int32(), 4);
    EXPECT_EQ(Variant(-2.5).to_int32(), -2);
    EXPECT_EQ(Variant(-3.5).to_int32(), -4);
    EXPECT_EQ(Variant(2.4999).to_int32(), 2);
    EXPECT_EQ(Variant(2147483647.4).to_int32(), 2147483647);
    EXPECT_FALSE(Variant(2147483647.5).to_int32());
    EXPECT_EQ(Variant(-2147483648.0).to_int32(), INT32_MIN);
    EXPECT_FALSE(Variant(std::int64_t{1} << 40).to_int32());
    EXPECT_EQ(Variant(true).to_int32(), -1);
    EXPECT_EQ(Variant().to_int32(), 0);
    EXPECT_FALSE(Variant("7").to_int32());
    EXPECT_EQ(Variant(Currency{-35000}).to_int32(), -4);
}

TEST(Variant, TypeNamesAreTheCallersNames) {
    EXPECT_EQ(Variant("x").type_name(), "String");
    EXPECT_EQ(Variant(OleDate{1}).type_name(), "Date");
    EXPECT_EQ(Variant(false).type_name(), "Boolean");
    EXPECT_EQ(Variant(std::int16_t{1}).type_name(), "Integer");
    EXPECT_EQ(Variant(1).type_name(), "Long");
    EXPECT_EQ(Variant(1.0).type_name(), "Double");
    EXPECT_EQ(Variant().type_name(), "Empty");
}

TEST(Variant, TextForms) {
    EXPECT_EQ(Variant(2.5).to_text(), "2.5");
    EXPECT_EQ(Variant(100.0).to_text(), "100");
    EXPECT_EQ(Variant(-7).to_text(), "-7");
    EXPECT_EQ(Variant(true).to_text(), "True");
    EXPECT_EQ(Variant().to_text(), "");
}

TEST(OleDate, DatesConvertBothWays) {
    EXPECT_EQ(ole_date_from_civil({1899, 12, 30}), 0.0);
    EXPECT_EQ(ole_date_from_civil({1900, 1, 1, 12}), 2.5);
    EXPECT_EQ(ole_date_from_civil({2026, 12, 8}), 46364.0);
    EXPECT_EQ(ole_date_from_civil({1899, 12, 29, 6}), -1.25);  // before the epoch the time still counts up
    const CivilTime t{2026, 2, 28, 23, 59, 59, 500};
    EXPECT_EQ(civil_from_ole_date(ole_date_from_civil(t)), t);
    EXPECT_EQ(civil_from_ole_date(-1.25), (CivilTime{1899, 12, 29, 6, 0, 0, 0}));
}

TEST(OleDate, GeneralTextForm) {
    EXPECT_EQ(format_general_date(ole_date_from_civil({2026, 12, 8, 19, 57, 39})), "12/8/2026 7:57:39 PM");
    EXPECT_EQ(format_general_date(ole_date_from_civil({2026, 1, 2})), "1/2/2026");
    EXPECT_EQ(format_general_date(0.5), "12:00:00 PM");
    EXPECT_EQ(format_general_date(0.0), "12/30/1899");
    EXPECT_EQ(format_general_date(ole_date_from_civil({2026, 1, 2, 0, 0, 1})), "1/2/2026 12:00:01 AM");
}

}  // namespace
}  // namespace corvel
