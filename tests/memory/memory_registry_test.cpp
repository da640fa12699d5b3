#include "platform/memory/memory_registry.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

class MemoryRegistryTest : public ::testing::Test {
  protected:
    MemoryRegistry reg;
    RegKeyHandle open(const char* path, RegStatus expect = reg_status::kSuccess) {
        RegKeyHandle h = 0;
        EXPECT_EQ(reg.open_key(reg_hive::kCurrentUser, path, reg_access::kRead, h), expect);
        return h;
    }
};

TEST_F(MemoryRegistryTest, NamesMatchWithoutRegardToCase) {
    reg.put_value(reg_hive::kCurrentUser, "Software\\Co", "Name", RegType::Sz, std::string("x\0", 2));
    const RegKeyHandle h = open("SOFTWARE\\co");
    RegType type;
    std::uint32_t size;
    EXPECT_EQ(reg.query_value(h, "NAME", type, size), reg_status::kSuccess);
    EXPECT_EQ(size, 2U);
    reg.close_key(h);
    EXPECT_EQ(reg.open_key_count(), 0);
}

TEST_F(MemoryRegistryTest, ReadingIntoTooSmallABufferAsksForMore) {
    reg.put_value(reg_hive::kCurrentUser, "K", "V", RegType::Sz, std::string("abcd\0", 5));
    const RegKeyHandle h = open("K");
    RegType type;
    std::string data;
    EXPECT_EQ(reg.read_value(h, "V", 4, type, data), reg_status::kMoreData);
    EXPECT_EQ(reg.read_value(h, "V", 5, type, data), reg_status::kSuccess);
    EXPECT_EQ(data, std::string("abcd\0", 5));
    reg.close_key(h);
}

TEST_F(MemoryRegistryTest, DeleteRefusesKeysWithSubkeysAndStaleHandlesFail) {
    reg.put_key(reg_hive::kCurrentUser, "A\\B");
    EXPECT_EQ(reg.delete_key(reg_hive::kCurrentUser, "A"), reg_status::kAccessDenied);
    const RegKeyHandle h = open("A\\B");
    EXPECT_EQ(reg.delete_key(reg_hive::kCurrentUser, "A\\B"), reg_status::kSuccess);
    EXPECT_EQ(reg.set_value(h, "x", RegType::Dword, "1234"), reg_status::kKeyDeleted);
    EXPECT_EQ(reg.close_key(h), reg_status::kSuccess);
    EXPECT_EQ(reg.delete_key(reg_hive::kCurrentUser, "A\\B"), reg_status::kFileNotFound);
    EXPECT_EQ(reg.delete_key(reg_hive::kCurrentUser, "A"), reg_status::kSuccess);
}

TEST_F(MemoryRegistryTest, ValuesEnumerateInFirstWriteOrderAndRespectTheNameBuffer) {
    RegKeyHandle h = 0;
    ASSERT_EQ(reg.create_key(reg_hive::kCurrentUser, "E", reg_access::kAllAccess, h), reg_status::kSuccess);
    reg.set_value(h, "second", RegType::Dword, "0000");
    reg.set_value(h, "a", RegType::Dword, "0000");
    reg.set_value(h, "SECOND", RegType::Dword, "1111");  // replacing keeps the place
    std::string name;
    EXPECT_EQ(reg.enum_value_name(h, 0, 7, name), reg_status::kSuccess);
    EXPECT_EQ(name, "second");
    EXPECT_EQ(reg.enum_value_name(h, 0, 6, name), reg_status::kMoreData);
    EXPECT_EQ(reg.enum_value_name(h, 1, 2, name), reg_status::kSuccess);
    EXPECT_EQ(reg.enum_value_name(h, 2, 100, name), reg_status::kNoMoreItems);
    std::uint32_t longest = 0;
    EXPECT_EQ(reg.query_max_value_name_length(h, longest), reg_status::kSuccess);
    EXPECT_EQ(longest, 6U);
    reg.close_key(h);
}

TEST_F(MemoryRegistryTest, MalformedPathsAndUnknownHandlesAreRefused) {
    RegKeyHandle h = 0;
    EXPECT_EQ(reg.create_key(reg_hive::kCurrentUser, "A\\\\B", reg_access::kAllAccess, h),
              reg_status::kBadPathname);
    EXPECT_EQ(reg.create_key(reg_hive::kCurrentUser, "\\A", reg_access::kAllAccess, h),
              reg_status::kBadPathname);
    EXPECT_EQ(reg.create_key(reg_hive::kCurrentUser, "A\\", reg_access::kAllAccess, h), reg_status::kSuccess);
    reg.close_key(h);
    EXPECT_TRUE(reg.key_exists(reg_hive::kCurrentUser, "A"));
    EXPECT_EQ(reg.open_key(12345, "A", reg_access::kRead, h), reg_status::kInvalidHandle);
    EXPECT_EQ(reg.open_key_count(), 0);
}

TEST_F(MemoryRegistryTest, InjectedFaultsFailTheGivenNumberOfCalls) {
    reg.fail(MemoryRegistry::Op::OpenKey, reg_status::kAccessDenied, 2);
    reg.put_key(reg_hive::kCurrentUser, "K");
    open("K", reg_status::kAccessDenied);
    open("K", reg_status::kAccessDenied);
    reg.close_key(open("K"));
    EXPECT_EQ(reg.call_count(MemoryRegistry::Op::OpenKey), 3);
}

TEST_F(MemoryRegistryTest, LookupsByIndexKeepTheCaseRuleAndTheEnumerationOrder) {
    // Enough names that a hash index is really exercised, each spelled differently when looked up.
    for (int i = 0; i < 2000; ++i) {
        reg.put_value(reg_hive::kCurrentUser, "Many", "Value" + std::to_string(i), RegType::Dword,
                      std::string(4, static_cast<char>(i)));
    }
    reg.put_value(reg_hive::kCurrentUser, "MANY", "VALUE7", RegType::Sz, std::string("x\0", 2));
    const RegKeyHandle h = open("many");
    RegType type;
    std::uint32_t size = 0;
    ASSERT_EQ(reg.query_value(h, "vAlUe1999", type, size), reg_status::kSuccess);
    EXPECT_EQ(type, RegType::Dword);
    ASSERT_EQ(reg.query_value(h, "value7", type, size), reg_status::kSuccess);
    EXPECT_EQ(type, RegType::Sz);
    EXPECT_EQ(reg.query_value(h, "Value2000", type, size), reg_status::kFileNotFound);
    // Only ASCII letters fold: the two spellings of an umlaut are different names.
    reg.put_value(reg_hive::kCurrentUser, "Many", "\xC3\x84", RegType::Sz, std::string("A\0", 2));
    EXPECT_EQ(reg.query_value(h, "\xC3\xA4", type, size), reg_status::kFileNotFound);
    const auto names = reg.value_names(reg_hive::kCurrentUser, "Many");
    ASSERT_EQ(names.size(), 2001U);
    EXPECT_EQ(names[7], "Value7");  // the first spelling, in its first place
    EXPECT_EQ(names[1999], "Value1999");
    std::uint32_t longest = 0;
    EXPECT_EQ(reg.query_max_value_name_length(h, longest), reg_status::kSuccess);
    EXPECT_EQ(longest, 9U);
    reg.close_key(h);

    // Subkeys: a deleted one leaves the others in order and a new spelling of it comes last.
    for (const char* k : {"Tree\\One", "Tree\\Two", "Tree\\Three"})
        reg.put_key(reg_hive::kCurrentUser, k);
    EXPECT_EQ(reg.delete_key(reg_hive::kCurrentUser, "TREE\\two"), reg_status::kSuccess);
    reg.put_key(reg_hive::kCurrentUser, "tree\\TWO");
    const RegKeyHandle tree = open("Tree");
    std::vector<std::string> keys;
    std::string name;
    for (std::uint32_t i = 0; reg.enum_key_name(tree, i, name) == reg_status::kSuccess; ++i)
        keys.push_back(name);
    EXPECT_EQ(keys, (std::vector<std::string>{"One", "Three", "TWO"}));
    reg.close_key(tree);
    EXPECT_TRUE(reg.key_exists(reg_hive::kCurrentUser, "tree\\two"));
}

TEST_F(MemoryRegistryTest, NewContentKeepsOpenHandlesOnTheirKeys) {
    reg.put_value(reg_hive::kCurrentUser, "Software\\Kept", "Old", RegType::Sz, std::string("1\0", 2));
    reg.put_key(reg_hive::kCurrentUser, "Software\\Gone");
    const RegKeyHandle kept = open("software\\KEPT");
    const RegKeyHandle gone = open("Software\\Gone");
    const RegKeyHandle root = open("");
    const std::uint64_t before = reg.generation();

    MemoryRegistry loaded;
    loaded.put_value(reg_hive::kCurrentUser, "SOFTWARE\\kept", "New", RegType::Sz, std::string("2\0", 2));
    loaded.put_key(reg_hive::kCurrentUser, "Software\\Added");
    reg.replace_with(loaded);

    EXPECT_NE(reg.generation(), before);
    EXPECT_FALSE(loaded.key_exists(reg_hive::kCurrentUser, "Software"));
    EXPECT_EQ(reg.open_key_count(), 3);
    RegType type;
    std::uint32_t size;
    EXPECT_EQ(reg.query_value(kept, "Old", type, size), reg_status::kFileNotFound);
    EXPECT_EQ(reg.query_value(kept, "new", type, size), reg_status::kSuccess);
    // A write through the handle lands in the new content, where it can be found by path.
    EXPECT_EQ(reg.set_value(kept, "Written", RegType::Dword, "abcd"), reg_status::kSuccess);
    EXPECT_EQ(reg.value(reg_hive::kCurrentUser, "Software\\Kept", "written")->data, "abcd");
    EXPECT_EQ(reg.set_value(gone, "x", RegType::Dword, "abcd"), reg_status::kKeyDeleted);
    EXPECT_FALSE(reg.key_exists(reg_hive::kCurrentUser, "Software\\Gone"));
    std::string name;
    EXPECT_EQ(reg.enum_key_name(root, 0, name), reg_status::kSuccess);
    EXPECT_EQ(name, "SOFTWARE");
    for (const RegKeyHandle h : {kept, gone, root})
        EXPECT_EQ(reg.close_key(h), reg_status::kSuccess);
    EXPECT_EQ(reg.open_key_count(), 0);
}

}  // namespace
}  // namespace corvel
