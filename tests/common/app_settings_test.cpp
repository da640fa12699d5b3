#include "common/app_settings.h"

#include <gtest/gtest.h>

#include "common/automation_error.h"
#include "platform/memory/memory_registry.h"

namespace corvel {
namespace {

class SettingsTest : public ::testing::Test {
  protected:
    std::shared_ptr<MemoryRegistry> registry = std::make_shared<MemoryRegistry>();
    CAppSettings settings{registry, "Pelorin"};

    void TearDown() override { EXPECT_EQ(registry->open_key_count(), 0) << "a registry key was left open"; }

    void init() { settings.Init("HALVARD", "Corvel"); }
    std::optional<MemoryRegistry::StoredValue> stored(const std::string& section,
                                                      const std::string& key) const {
        return registry->value(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\" + section, key);
    }
    static AutomationError error_of(const std::function<void()>& f) {
        try {
            f();
        } catch (const AutomationError& e) {
            return e;
        }
        return AutomationError(0, "", "no error");
    }
};

std::string dword(std::uint32_t v) {
    std::string d;
    for (int i = 0; i < 4; ++i)
        d.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return d;
}

// Callers compare these numbers: they are the store's published errors.
TEST(SettingsErrors, NumbersAsCallersKnowThem) {
    EXPECT_EQ(CAppSettings::kErrInvalidAppName, 0x8004427Du);
    EXPECT_EQ(CAppSettings::kErrInvalidCompanyName, 0x8004427Eu);
    EXPECT_EQ(CAppSettings::kErrInvalidMainBranch, 0x8004427Fu);
    EXPECT_EQ(CAppSettings::kErrInvalidRootKey, 0x80044280u);
    EXPECT_EQ(CAppSettings::kErrSaveFailed, 0x80044281u);
    EXPECT_EQ(CAppSettings::kErrDeleteFailed, 0x80044282u);
    EXPECT_EQ(CAppSettings::kErrGetAllKeysFailed, 0x80044283u);
    EXPECT_EQ(CAppSettings::kErrComponentFailure, 0x80044284u);
}

TEST_F(SettingsTest, WithoutInitEverythingLivesUnderTheDefaultBranch) {
    EXPECT_EQ(settings.RootKey(), CAppSettings::kHkeyCurrentUser);
    EXPECT_EQ(settings.MainBranch(), "Software");
    settings.SaveSetting("S", "K", "v");
    EXPECT_TRUE(registry->value(reg_hive::kCurrentUser, "Software\\Orrinsted\\Pelorin\\S", "K"));
}

TEST_F(SettingsTest, TextIsStoredWithItsNulAndReadBack) {
    init();
    settings.SaveSetting("S", "K", "abc");
    const auto v = stored("S", "K");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, RegType::Sz);
    EXPECT_EQ(v->data, std::string("abc\0", 4));
    EXPECT_EQ(settings.GetSetting("S", "K", 5), Variant("abc"));
}

TEST_F(SettingsTest, NumbersAreStoredAsDwordsRoundingHalvesToEven) {
    init();
    settings.SaveSetting("S", "I", 7);
    EXPECT_EQ(stored("S", "I")->type, RegType::Dword);
    EXPECT_EQ(settings.GetSetting("S", "I", ""), Variant(7));
    settings.SaveSetting("S", "H", 2.5);
    EXPECT_EQ(stored("S", "H")->data, dword(2));
    settings.SaveSetting("S", "H", 3.5);
    EXPECT_EQ(stored("S", "H")->data, dword(4));
    settings.SaveSetting("S", "N", -1);
    EXPECT_EQ(settings.GetSetting("S", "N", 0), Variant(-1));
    settings.SaveSetting("S", "E", Variant());
    EXPECT_EQ(stored("S", "E")->data, dword(0));
    settings.SaveSetting("S", "C", Currency{25000});  // 2.5
    EXPECT_EQ(stored("S", "C")->data, dword(2));
}

TEST_F(SettingsTest, BooleansAndDatesAreStoredAsText) {
    init();
    settings.SaveSetting("S", "B", true);
    EXPECT_EQ(settings.GetSetting("S", "B", false), Variant("True"));
    settings.SaveSetting("S", "F", false);
    EXPECT_EQ(stored("S", "F")->data, std::string("False\0", 6));
    settings.SaveSetting("S", "D", OleDate{46000.75});
    EXPECT_EQ(settings.GetSetting("S", "D", 0), Variant("12/9/2025 6:00:00 PM"));
}

TEST_F(SettingsTest, NumbersOutsideThirtyTwoBitsAreAComponentFailure) {
    init();
    const auto e = error_of([&] { settings.SaveSetting("S", "K", 3e9); });
    EXPECT_EQ(e.code(), CAppSettings::kErrComponentFailure);
    EXPECT_EQ(e.source(), "Pelorin.CAppSettings");
    EXPECT_EQ(e.description(), "CAppSettings component failure");
    EXPECT_FALSE(stored("S", "K"));
}

TEST_F(SettingsTest, MissingOrForeignValuesGiveTheDefaultUnchanged) {
    init();
    EXPECT_EQ(settings.GetSetting("Nowhere", "K", 3.5), Variant(3.5));
    settings.SaveSetting("S", "Other", 1);
    EXPECT_EQ(settings.GetSetting("S", "K", "dflt"), Variant("dflt"));
    EXPECT_TRUE(settings.GetSetting("S", "K", Variant()).is_empty());
    registry->put_value(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\S", "Bin", RegType::Binary,
                        "\x01\x02");
    EXPECT_EQ(settings.GetSetting("S", "Bin", "dflt"), Variant("dflt"));
    registry->put_value(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\S", "Short", RegType::Dword,
                        "\x01");
    EXPECT_EQ(settings.GetSetting("S", "Short", 9), Variant(9));
}

TEST_F(SettingsTest, TextWrittenWithoutItsNulKeepsItsLastCharacter) {
    init();
    registry->put_value(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\S", "K", RegType::Sz, "abc");
    EXPECT_EQ(settings.GetSetting("S", "K", ""), Variant("abc"));
    registry->put_value(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\S", "E", RegType::Sz, "");
    EXPECT_EQ(settings.GetSetting("S", "E", "dflt"), Variant(""));
}

TEST_F(SettingsTest, ReadFailuresGiveTheDefaultAndCloseTheKey) {
    init();
    settings.SaveSetting("S", "K", "abc");
    registry->fail(MemoryRegistry::Op::ReadValue, reg_status::kAccessDenied);
    EXPECT_EQ(settings.GetSetting("S", "K", "dflt"), Variant("dflt"));
    registry->fail(MemoryRegistry::Op::QueryValue, reg_status::kAccessDenied);
    EXPECT_EQ(settings.GetSetting("S", "K", "dflt"), Variant("dflt"));
}

TEST_F(SettingsTest, SaveFailuresRaiseTheSaveErrorAndCloseTheKey) {
    init();
    registry->fail(MemoryRegistry::Op::CreateKey, reg_status::kAccessDenied);
    auto e = error_of([&] { settings.SaveSetting("S", "K", "x"); });
    EXPECT_EQ(e.code(), CAppSettings::kErrSaveFailed);
    EXPECT_EQ(e.source(), "Pelorin.CAppSetting");
    EXPECT_EQ(e.description(), "Failed saving the application setting");
    registry->fail(MemoryRegistry::Op::SetValue, reg_status::kAccessDenied);
    e = error_of([&] { settings.SaveSetting("S", "K", "x"); });
    EXPECT_EQ(e.code(), CAppSettings::kErrSaveFailed);
}

TEST_F(SettingsTest, ValidationKeepsThePreviousValues) {
    EXPECT_EQ(error_of([&] { settings.RootKey(static_cast<std::int32_t>(0x80000003u)); }).code(),
              CAppSettings::kErrInvalidRootKey);
    EXPECT_EQ(settings.RootKey(), CAppSettings::kHkeyCurrentUser);
    settings.RootKey(CAppSettings::kHkeyLocalMachine);
    EXPECT_EQ(settings.RootKey(), CAppSettings::kHkeyLocalMachine);
    const auto branch = error_of([&] { settings.MainBranch(""); });
    EXPECT_EQ(branch.code(), CAppSettings::kErrInvalidMainBranch);
    EXPECT_EQ(branch.description(), "Invalid MainBranch value");
    EXPECT_EQ(settings.MainBranch(), "Software");
    EXPECT_EQ(error_of([&] { settings.AppName(""); }).code(), CAppSettings::kErrInvalidAppName);
    EXPECT_EQ(error_of([&] { settings.CompanyName(""); }).code(), CAppSettings::kErrInvalidCompanyName);
}

TEST_F(SettingsTest, InitSetsTheCompanyBeforeCheckingTheApplication) {
    EXPECT_EQ(error_of([&] { settings.Init("", "App"); }).description(), "Invalid CompanyName value");
    EXPECT_EQ(settings.CompanyName(), "Orrinsted");
    EXPECT_EQ(settings.AppName(), "Pelorin");
    EXPECT_EQ(error_of([&] { settings.Init("Co", ""); }).description(), "Invalid AppName value");
    EXPECT_EQ(settings.CompanyName(), "Co");
    EXPECT_EQ(settings.AppName(), "Pelorin");
}

TEST_F(SettingsTest, DeleteRemovesKeysNotValues) {
    init();
    settings.SaveSetting("S", "K", "x");
    const auto e = error_of([&] { settings.DeleteSetting("S", "K"); });
    EXPECT_EQ(e.code(), CAppSettings::kErrDeleteFailed);
    EXPECT_EQ(e.description(), "Failed deleting the application setting");
    settings.SaveSetting("S\\Sub", "V", 1);
    settings.DeleteSetting("S", "Sub");
    EXPECT_FALSE(registry->key_exists(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\S\\Sub"));
    settings.DeleteSetting("S", "");
    EXPECT_FALSE(registry->key_exists(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\S"));
}

TEST_F(SettingsTest, GetAllKeysListsValueNamesInOrder) {
    init();
    std::vector<std::string> keys{"stale"};
    for (const char* k : {"One", "Two", "Three"})
        settings.SaveSetting("S", k, 1);
    settings.GetAllKeys("S", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"One", "Two", "Three"}));
    settings.SaveSetting("Empty\\Child", "x", 1);  // creates the empty section on the way
    settings.GetAllKeys("Empty", keys);
    EXPECT_TRUE(keys.empty());
    const auto e = error_of([&] { settings.GetAllKeys("Missing", keys); });
    EXPECT_EQ(e.code(), CAppSettings::kErrGetAllKeysFailed);
    EXPECT_EQ(e.source(), "Pelorin.CAppSetting");
    registry->fail(MemoryRegistry::Op::QueryInfo, reg_status::kAccessDenied);
    settings.GetAllKeys("S", keys);
    EXPECT_TRUE(keys.empty());
}

TEST_F(SettingsTest, TheLibraryNameStartsEverySource) {
    CAppSettings other(registry, "Tallowin3");
    EXPECT_EQ(error_of([&] { other.AppName(""); }).source(), "Tallowin3.CAppSettings");
    EXPECT_EQ(
        error_of([&] { other.GetAllKeys("nope", *std::make_unique<std::vector<std::string>>()); }).source(),
        "Tallowin3.CAppSetting");
}

}  // namespace
}  // namespace corvel
