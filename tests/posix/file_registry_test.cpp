#include "platform/posix/file_registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/app_settings.h"
#include "common/automation_error.h"

namespace corvel {
namespace {

namespace fs = std::filesystem;

class FileRegistryTest : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("corvel-reg-" + std::to_string(::getpid()) + "-" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::path file = dir / "sub" / "registry.reg";

    void SetUp() override { fs::remove_all(dir); }
    void TearDown() override { fs::remove_all(dir); }

    std::string read_file(const fs::path& p) const {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void write_file(const std::string& text) const {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }
    CAppSettings store(const std::shared_ptr<Registry>& r) const {
        CAppSettings s(r, "Tallowin3");
        s.Init("HALVARD", "Corvel");
        return s;
    }
};

TEST_F(FileRegistryTest, SettingsSurviveInARegistryEditorFile) {
    {
        auto s = store(std::make_shared<FileRegistry>(file));
        s.SaveSetting("SettingsCorvel", "CorvelgenericTicks", "233,236");
        s.SaveSetting("SettingsCorvel", "Count", 10);
        s.SaveSetting("Settings\\frmSettings", "Path", "C:\\Data \"quoted\"");
    }
    EXPECT_EQ(read_file(file),
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software]\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\HALVARD]\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\HALVARD\\Corvel]\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\HALVARD\\Corvel\\SettingsCorvel]\r\n"
              "\"CorvelgenericTicks\"=\"233,236\"\r\n"
              "\"Count\"=dword:0000000a\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\HALVARD\\Corvel\\Settings]\r\n"
              "\r\n[HKEY_CURRENT_USER\\Software\\HALVARD\\Corvel\\Settings\\frmSettings]\r\n"
              "\"Path\"=\"C:\\\\Data \\\"quoted\\\"\"\r\n");
    auto s = store(std::make_shared<FileRegistry>(file));
    EXPECT_EQ(s.GetSetting("SettingsCorvel", "CorvelgenericTicks", ""), Variant("233,236"));
    EXPECT_EQ(s.GetSetting("SettingsCorvel", "Count", 0), Variant(10));
    EXPECT_EQ(s.GetSetting("Settings\\frmSettings", "Path", ""), Variant("C:\\Data \"quoted\""));
}

TEST_F(FileRegistryTest, ValuesTextCannotCarryRoundTripAsHex) {
    MemoryRegistry m;
    m.put_value(reg_hive::kCurrentUser, "K", "lines", RegType::Sz, std::string("a\r\nb\0", 5));
    m.put_value(reg_hive::kCurrentUser, "K", "raw", RegType::Binary, std::string("\x00\xff", 2));
    m.put_value(reg_hive::kCurrentUser, "K", "", RegType::ExpandSz, std::string("%X%\0", 4));
    const std::string text = FileRegistry::render(m);
    MemoryRegistry back;
    ASSERT_TRUE(FileRegistry::parse(text, back));
    for (const char* name : {"lines", "raw", ""}) {
        EXPECT_EQ(back.value(reg_hive::kCurrentUser, "K", name), m.value(reg_hive::kCurrentUser, "K", name)) << name;
    }
}

TEST_F(FileRegistryTest, ReadsWhatARegistryEditorWrites) {
    // UTF-16 with a byte-order mark, continued hex lines, comments and deletion entries.
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"
        "[HKEY_CURRENT_USER\\Software\\X]\r\n\"A\"=\"1\"\r\n\"Bin\"=hex:01,02,\\\r\n  03\r\n\"Gone\"=-\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Y]\r\n";
    std::string utf16 = "\xFF\xFE";
    for (const char c : text) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    MemoryRegistry m;
    ASSERT_TRUE(FileRegistry::parse(utf16, m));
    EXPECT_EQ(m.value(reg_hive::kCurrentUser, "Software\\X", "A")->data, std::string("1\0", 2));
    EXPECT_EQ(m.value(reg_hive::kCurrentUser, "Software\\X", "Bin")->data, "\x01\x02\x03");
    EXPECT_FALSE(m.value(reg_hive::kCurrentUser, "Software\\X", "Gone"));
    EXPECT_FALSE(m.key_exists(reg_hive::kCurrentUser, "Software\\Y"));
}

TEST_F(FileRegistryTest, ACorruptFileGivesDefaultsAndIsKeptAside) {
    write_file("this is not a registry file\n\x01\x02garbage");
    auto registry = std::make_shared<FileRegistry>(file);
    EXPECT_TRUE(registry->had_parse_errors());
    auto s = store(registry);
    EXPECT_EQ(s.GetSetting("SettingsCorvel", "CorvelgenericTicks", "dflt"), Variant("dflt"));
    s.SaveSetting("SettingsCorvel", "CorvelgenericTicks", "1");
    EXPECT_EQ(read_file(fs::path(file) += ".corrupt"), "this is not a registry file\n\x01\x02garbage");
    EXPECT_EQ(store(std::make_shared<FileRegistry>(file)).GetSetting("SettingsCorvel", "CorvelgenericTicks", ""),
              Variant("1"));
}

TEST_F(FileRegistryTest, UnreadableLinesAreSkippedAndTheRestKept) {
    write_file("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\HALVARD\\Corvel\\S]\n"
               "\"Good\"=\"yes\"\n\"Bad\"=dword:zz\nnonsense\n\"Also\"=dword:00000002\n");
    auto registry = std::make_shared<FileRegistry>(file);
    EXPECT_TRUE(registry->had_parse_errors());
    auto s = store(registry);
    EXPECT_EQ(s.GetSetting("S", "Good", ""), Variant("yes"));
    EXPECT_EQ(s.GetSetting("S", "Bad", "dflt"), Variant("dflt"));
    EXPECT_EQ(s.GetSetting("S", "Also", 0), Variant(2));
}

TEST_F(FileRegistryTest, ChangesByAnotherWriterAreSeen) {
    auto first = store(std::make_shared<FileRegistry>(file));
    auto second = store(std::make_shared<FileRegistry>(file));
    first.SaveSetting("S", "K", "one");
    EXPECT_EQ(second.GetSetting("S", "K", ""), Variant("one"));
    second.SaveSetting("S", "K", "two and longer");
    EXPECT_EQ(first.GetSetting("S", "K", ""), Variant("two and longer"));
}

TEST_F(FileRegistryTest, AFileThatCannotBeWrittenFailsTheSave) {
    fs::create_directories(dir);
    std::ofstream(dir / "sub") << "a file where the folder should be";
    auto s = store(std::make_shared<FileRegistry>(file));
    EXPECT_THROW(s.SaveSetting("S", "K", "x"), AutomationError);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace corvel
