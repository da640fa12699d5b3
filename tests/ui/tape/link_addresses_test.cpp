#include <gtest/gtest.h>

#include "common/automation_error.h"
#include "tests/support/automation_error_of.h"
#include "ui/tape/link_addresseses.h"

namespace corvel {
namespace {

TEST(LinkAddresses, ItemAddFindsAKeyInAnyCaseAndKeepsTheFirstCallersCase) {
    cLinkAddresseses groups;
    const auto group = groups.ItemADD("$a$5:$m$5");
    EXPECT_EQ(groups.ItemADD("$A$5:$M$5"), group);
    EXPECT_EQ(group->Address(), "$a$5:$m$5");
    EXPECT_EQ(groups.Count(), 1);
    EXPECT_EQ(groups.Item("$A$5:$m$5"), group) << "Item ignores letter case too";

    const auto entry = group->ItemADD("MSFT=TWS_Quotes!$J$5");
    EXPECT_EQ(group->ItemADD("msft=tws_quotes!$j$5"), entry);
    EXPECT_EQ(entry->SborKey(), "MSFT=TWS_Quotes!$J$5");
    EXPECT_EQ(group->Item(1), entry);
}

TEST(LinkAddresses, AddRefusesAPresentKeyWhereItemAddNeverFails) {
    cLinkAddresses group;
    group.Add(std::make_shared<cLinkAddress>(), "Key");
    const auto duplicate =
        fakes::automation_error_of([&] { group.Add(std::make_shared<cLinkAddress>(), "KEY"); });
    EXPECT_EQ(duplicate.number(), vb_error::kKeyAlreadyAssociated);
    EXPECT_EQ(duplicate.source(), "Pelorin.cLinkAddresses");
    EXPECT_EQ(group.ItemADD("key"), group.Item("Key"));
    EXPECT_EQ(group.Count(), 1);
    EXPECT_EQ(fakes::automation_error_of([&] { group.Item("other"); }).number(),
              vb_error::kInvalidProcedureCall);
    EXPECT_EQ(fakes::automation_error_of([&] { group.Item(2); }).number(), vb_error::kSubscriptOutOfRange);
}

TEST(LinkAddresses, EnumeratesInInsertionOrderAndClears) {
    cLinkAddresses group;
    for (const char* key : {"c", "a", "b"})
        group.ItemADD(key);
    group.Remove("A");
    std::string order;
    for (const auto& entry : group.NewEnum())
        order += entry->SborKey();
    EXPECT_EQ(order, "cb");
    const auto kept = group.Item(1);
    group.Clear();
    EXPECT_EQ(group.Count(), 0);
    EXPECT_EQ(kept->SborKey(), "c") << "a caller's reference outlives the collection's";
}

}  // namespace
}  // namespace corvel
