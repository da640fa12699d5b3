#include "common/security_types.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvel {
namespace {

// The add-in stores the index and passes the code on to TWS: both are part of what it relies on.
TEST(SecurityTypes, IndexNameAndCodeAsTheAddInReadsThem) {
    std::vector<std::string> rows;
    for (const SecurityType& type : kSecurityTypes) {
        rows.push_back(std::to_string(type.index) + " " + std::string(type.name) + " " +
                       std::string(type.code));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"0 Stock STK", "1 Option OPT", "2 Futures FUT", "3 Index IND",
                                              "4 FutOpt FOP", "5 Cash CASH"}));
    EXPECT_EQ(kSecurityTypeCaptions, "Stock|Option|Futures|Index|FutOpt|Cash");
}

TEST(SecurityTypes, FoundByTheirExactName) {
    ASSERT_NE(find_security_type("FutOpt"), nullptr);
    EXPECT_EQ(find_security_type("FutOpt")->code, "FOP");
    EXPECT_EQ(find_security_type("Cash")->index, 5);
    EXPECT_EQ(find_security_type("futopt"), nullptr);
    EXPECT_EQ(find_security_type("STK"), nullptr);
    EXPECT_EQ(find_security_type(""), nullptr);
    EXPECT_EQ(security_type_index("Index"), 3);
    EXPECT_EQ(security_type_index("index"), -1);
}

}  // namespace
}  // namespace corvel
