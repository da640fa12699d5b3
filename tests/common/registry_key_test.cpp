// The registry key owner: every key opened through it is closed once, through the registry that
// opened it, and the predefined hives are never closed.
#include "common/registry_key.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/memory/memory_registry.h"

namespace corvel {
namespace {

// A registry whose closes can be made to fail or throw, and which counts them.
class ClosingRegistry : public MemoryRegistry {
  public:
    int closes = 0;
    bool refuse = false;
    bool throw_on_close = false;
    RegStatus close_key(RegKeyHandle key) override {
        ++closes;
        if (throw_on_close) throw std::runtime_error("close failed");
        if (refuse) return reg_status::kRegistryIoFailed;
        return MemoryRegistry::close_key(key);
    }
};

TEST(RegistryKey, KeysAreClosedOnceThroughTheirOwnRegistryWhereverTheyMove) {
    ClosingRegistry first, second;
    RegistryKey moved;
    {
        RegistryKey a, b;
        ASSERT_EQ(
            create_registry_key(first, reg_hive::kCurrentUser, "Software\\A", reg_access::kAllAccess, a),
            reg_status::kSuccess);
        ASSERT_EQ(
            create_registry_key(second, reg_hive::kCurrentUser, "Software\\B", reg_access::kAllAccess, b),
            reg_status::kSuccess);
        EXPECT_EQ(first.open_key_count(), 1);
        moved = std::move(a);
        EXPECT_FALSE(a);
        // Taking another key closes the one held, in its own registry.
        b = std::move(moved);
        EXPECT_EQ(second.open_key_count(), 0);
        EXPECT_EQ(first.open_key_count(), 1);
        moved = std::move(b);
    }
    EXPECT_EQ(first.open_key_count(), 1);  // still owned by `moved`
    moved.reset();
    EXPECT_EQ(first.open_key_count(), 0);
    EXPECT_EQ(first.closes, 1);
    EXPECT_EQ(second.closes, 1);
}

TEST(RegistryKey, AFailedOpenLeavesTheOwnerEmpty) {
    ClosingRegistry r;
    RegistryKey key;
    ASSERT_EQ(create_registry_key(r, reg_hive::kCurrentUser, "Software\\A", reg_access::kAllAccess, key),
              reg_status::kSuccess);
    EXPECT_EQ(open_registry_key(r, reg_hive::kCurrentUser, "Software\\Missing", reg_access::kRead, key),
              reg_status::kFileNotFound);
    EXPECT_FALSE(key);
    EXPECT_EQ(r.open_key_count(), 0);  // what it held before is closed
}

TEST(RegistryKey, PredefinedHivesAreNeverClosed) {
    ClosingRegistry r;
    {
        RegistryKey hive(reg_hive::kCurrentUser, RegistryKeyPolicy(r));
        EXPECT_TRUE(hive);
        EXPECT_TRUE(hive.close());
    }
    { RegistryKey hive(reg_hive::kLocalMachine, RegistryKeyPolicy(r)); }
    EXPECT_EQ(r.closes, 0);
}

TEST(RegistryKey, ARefusedOrThrowingCloseIsReportedAndGoesNoFurther) {
    ClosingRegistry r;
    RegistryKey key;
    ASSERT_EQ(create_registry_key(r, reg_hive::kCurrentUser, "Software\\A", reg_access::kAllAccess, key),
              reg_status::kSuccess);
    r.refuse = true;
    EXPECT_FALSE(key.close());
    EXPECT_FALSE(key);  // given up either way
    ASSERT_EQ(open_registry_key(r, reg_hive::kCurrentUser, "Software\\A", reg_access::kRead, key),
              reg_status::kSuccess);
    r.throw_on_close = true;
    EXPECT_FALSE(key.close());
    EXPECT_NO_THROW({
        RegistryKey scoped;
        ASSERT_EQ(open_registry_key(r, reg_hive::kCurrentUser, "Software\\A", reg_access::kRead, scoped),
                  reg_status::kSuccess);
    });  // its destructor's close throws inside the registry: nothing escapes it
    EXPECT_EQ(r.closes, 3);
}

}  // namespace
}  // namespace corvel
