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
    EXPECT_EQ(reg.create_key(reg_hive::kCurrentUser, "A\\\\B", reg_access::kAllAccess, h), reg_status::kBadPathname);
    EXPECT_EQ(reg.create_key(reg_hive::kCurrentUser, "\\A", reg_access::kAllAccess, h), reg_status::kBadPathname);
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

}  // namespace
}  // namespace corvel
