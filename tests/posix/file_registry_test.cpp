#include "platform/posix/file_registry.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "common/app_settings.h"
#include "common/automation_error.h"
#include "common/registry_key.h"
#include "platform/posix/file_descriptor.h"

namespace corvel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSection = "Software\\HALVARD\\Corvel\\S";

std::string read_fd(int fd) {
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

// Child processes of a test. Each child writes a report for the parent to check, as its own failed
// expectations would go unseen; a child that hangs is ended by an alarm and reported as killed.
class Children {
  public:
    // Starts `body` in a child: it runs `prepare` part at once, then waits until go() and reports
    // what `body` returns.
    void start(std::function<void()> prepare, std::function<std::string()> body, unsigned deadline_s = 30) {
        int report[2], ready[2];
        ASSERT_EQ(::pipe(report), 0);
        ASSERT_EQ(::pipe(ready), 0);
        if (!go_read_) {
            int go[2];
            ASSERT_EQ(::pipe(go), 0);
            go_read_ = FileDescriptor(go[0]);
            go_write_ = FileDescriptor(go[1]);
        }
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::alarm(deadline_s);
            FileDescriptor out(report[1]);
            FileDescriptor(report[0]).reset();
            FileDescriptor(ready[0]).reset();
            go_write_.reset();
            std::string text;
            try {
                if (prepare) prepare();
                FileDescriptor(ready[1]).reset();  // ready: the parent reads end of file
                char c;
                while (::read(go_read_.get(), &c, 1) < 0 && errno == EINTR) {
                }
                text = body();
            } catch (const std::exception& e) {
                text = std::string("threw: ") + e.what();
            }
            [[maybe_unused]] const ssize_t n = ::write(out.get(), text.data(), text.size());
            ::_exit(0);
        }
        FileDescriptor(report[1]).reset();
        FileDescriptor(ready[1]).reset();
        const FileDescriptor wait_ready(ready[0]);
        read_fd(wait_ready.get());
        children_.push_back({pid, FileDescriptor(report[0])});
    }
    // Lets every started child run its body at once.
    void go() { go_write_.reset(); }
    // Each child's report, in the order they were started.
    std::vector<std::string> reports() {
        go();
        std::vector<std::string> out;
        for (auto& child : children_) {
            std::string text = read_fd(child.report.get());
            int status = 0;
            ::waitpid(child.pid, &status, 0);
            if (WIFSIGNALED(status)) text += "[killed by signal " + std::to_string(WTERMSIG(status)) + "]";
            out.push_back(std::move(text));
        }
        children_.clear();
        go_read_.reset();
        return out;
    }
    ~Children() { reports(); }

  private:
    struct Child {
        pid_t pid;
        FileDescriptor report;
    };
    std::vector<Child> children_;
    FileDescriptor go_read_, go_write_;
};

std::string run_in_child(std::function<std::string()> body, unsigned deadline_s = 30) {
    Children children;
    children.start(nullptr, std::move(body), deadline_s);
    return children.reports().at(0);
}

// Without root's right to read everything: the child becomes the unprivileged user when run as root.
void drop_privileges() {
    if (::geteuid() != 0) return;
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
        throw std::runtime_error("cannot drop root privileges");
    }
}

class FileRegistryTest : public ::testing::Test {
  protected:
    fs::path dir =
        fs::temp_directory_path() / ("corvel-reg-" + std::to_string(::getpid()) + "-" +
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
    fs::path kept() const { return fs::path(file) += ".corrupt"; }
    std::vector<std::string> entries(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
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
        EXPECT_EQ(back.value(reg_hive::kCurrentUser, "K", name), m.value(reg_hive::kCurrentUser, "K", name))
            << name;
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
    EXPECT_EQ(
        store(std::make_shared<FileRegistry>(file)).GetSetting("SettingsCorvel", "CorvelgenericTicks", ""),
        Variant("1"));
}

TEST_F(FileRegistryTest, UnreadableLinesAreSkippedAndTheRestKept) {
    write_file(
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\HALVARD\\Corvel\\S]\n"
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

TEST_F(FileRegistryTest, QwordAndOtherTypesKeepTheirTypeThroughEverySave) {
    {
        FileRegistry r(file);
        RegistryKey key;
        ASSERT_EQ(create_registry_key(r, reg_hive::kCurrentUser, kSection, reg_access::kAllAccess, key),
                  reg_status::kSuccess);
        ASSERT_EQ(r.set_value(key.get(), "Big", RegType::Qword, "\x01\x02\x03\x04\x05\x06\x07\x08"),
                  reg_status::kSuccess);
        ASSERT_EQ(r.set_value(key.get(), "List", static_cast<RegType>(10), "\x0a"), reg_status::kSuccess);
    }
    for (int save = 0; save < 3; ++save) {
        store(std::make_shared<FileRegistry>(file)).SaveSetting("S", "Saves", save);
    }
    const std::string text = read_file(file);
    EXPECT_NE(text.find("\"Big\"=hex(b):01,02,03,04,05,06,07,08\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"List\"=hex(a):0a\r\n"), std::string::npos) << text;
    MemoryRegistry back;
    ASSERT_TRUE(FileRegistry::parse(text, back));
    EXPECT_EQ(back.value(reg_hive::kCurrentUser, kSection, "Big")->type, RegType::Qword);
    EXPECT_EQ(back.value(reg_hive::kCurrentUser, kSection, "List")->type, static_cast<RegType>(10));
}

TEST_F(FileRegistryTest, TypesAreReadAsARegistryEditorAndEarlierVersionsWroteThem) {
    MemoryRegistry m;
    EXPECT_FALSE(
        FileRegistry::parse("Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\T]\r\n"
                            "\"editor\"=hex(b):01\r\n"
                            "\"decimal\"=hex(11):01\r\n"  // a QWORD as earlier versions wrote it,
                            "\"again\"=hex(17):01\r\n"    // then saved by them once more,
                            "\"twice\"=hex(23):01\r\n"    // and once again
                            "\"ten\"=hex(10):01\r\n"      // their type 10
                            "\"a\"=hex(a):01\r\n"
                            "\"multi\"=hex(7):01\r\n"
                            "\"none\"=hex(0):01\r\n"
                            "\"custom\"=hex(12):01\r\n"  // no defined type either way: hex
                            "\"custom2\"=hex(1f):01\r\n"
                            "\"badtype\"=hex(zz):01\r\n"
                            "\"hugetype\"=hex(123456789):01\r\n"
                            "\"signed\"=dword:-1\r\n"
                            "\"spaced\"=dword: 1\r\n",
                            m));
    const auto type = [&](const char* name) {
        const auto v = m.value(reg_hive::kCurrentUser, "T", name);
        return v ? static_cast<int>(v->type) : -1;
    };
    EXPECT_EQ(type("editor"), 11);
    EXPECT_EQ(type("decimal"), 11);
    EXPECT_EQ(type("again"), 11);
    EXPECT_EQ(type("twice"), 11);
    EXPECT_EQ(type("ten"), 10);
    EXPECT_EQ(type("a"), 10);
    EXPECT_EQ(type("multi"), 7);
    EXPECT_EQ(type("none"), 0);
    EXPECT_EQ(type("custom"), 0x12);
    EXPECT_EQ(type("custom2"), 0x1f);
    for (const char* bad : {"badtype", "hugetype", "signed", "spaced"})
        EXPECT_EQ(type(bad), -1) << bad;
}

// Two runs ending together, each saving its own setting into a file with a line it cannot read: the
// file must never be missing, and neither run may write over the other's setting or the file's own.
TEST_F(FileRegistryTest, TwoProcessesSavingAtOnceLoseNothing) {
    const std::string original =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\HALVARD\\Corvel\\S]\r\n"
        "\"Unrelated\"=\"kept\"\r\nnot a registry line\r\n";
    int lost = 0;
    for (int round = 0; round < 20; ++round) {
        fs::remove_all(dir);
        write_file(original);
        Children children;
        for (const char* key : {"First", "Second"}) {
            auto settings = std::make_shared<std::optional<CAppSettings>>();
            children.start([&, settings] { settings->emplace(store(std::make_shared<FileRegistry>(file))); },
                           [&, settings, key] {
                               (*settings)->SaveSetting("S", key, round);
                               return std::string("saved");
                           });
        }
        EXPECT_EQ(children.reports(), (std::vector<std::string>{"saved", "saved"})) << "round " << round;
        auto s = store(std::make_shared<FileRegistry>(file));
        const bool whole = s.GetSetting("S", "Unrelated", "") == Variant("kept") &&
                           s.GetSetting("S", "First", -1) == Variant(round) &&
                           s.GetSetting("S", "Second", -1) == Variant(round) && read_file(kept()) == original;
        if (!whole) ++lost;
    }
    EXPECT_EQ(lost, 0) << "rounds of 20 that lost a setting";
}

TEST_F(FileRegistryTest, WritersInSeveralProcessesEachKeepEveryChange) {
    Children children;
    for (const std::string prefix : {"a", "b", "c"}) {
        children.start(nullptr, [&, prefix] {
            auto s = store(std::make_shared<FileRegistry>(file));
            for (int i = 0; i < 25; ++i)
                s.SaveSetting("S", prefix + std::to_string(i), i);
            return std::string("done");
        });
    }
    EXPECT_EQ(children.reports(), (std::vector<std::string>(3, "done")));
    auto s = store(std::make_shared<FileRegistry>(file));
    std::vector<std::string> keys;
    s.GetAllKeys("S", keys);
    EXPECT_EQ(keys.size(), 75U);
    std::vector<std::string> missing;
    for (const std::string prefix : {"a", "b", "c"}) {
        for (int i = 0; i < 25; ++i) {
            if (s.GetSetting("S", prefix + std::to_string(i), -1) != Variant(i))
                missing.push_back(prefix + std::to_string(i));
        }
    }
    EXPECT_EQ(missing, std::vector<std::string>{});
    EXPECT_EQ(entries(file.parent_path()), (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST_F(FileRegistryTest, AChangeWaitsForTheLockAndGivesUpAfterItsWait) {
    store(std::make_shared<FileRegistry>(file)).SaveSetting("S", "K", "before");
    const std::string before = read_file(file);
    FileDescriptor held(::open((fs::path(file) += ".lock").c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_TRUE(held);
    ASSERT_EQ(::flock(held.get(), LOCK_EX), 0);
    auto registry = std::make_shared<FileRegistry>(file, std::chrono::milliseconds(100));
    auto s = store(registry);
    EXPECT_THROW(s.SaveSetting("S", "K", "while locked"), AutomationError);
    EXPECT_EQ(read_file(file), before);
    EXPECT_EQ(s.GetSetting("S", "K", ""), Variant("before")) << "reading takes no lock";
    held.reset();
    s.SaveSetting("S", "K", "after");
    EXPECT_EQ(store(std::make_shared<FileRegistry>(file)).GetSetting("S", "K", ""), Variant("after"));
}

TEST_F(FileRegistryTest, AFileThatCannotBeReadIsLeftAloneAndEveryCallFails) {
    write_file(
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\HALVARD\\Corvel\\S]\r\n"
        "\"Mine\"=\"precious\"\r\n");
    const std::string before = read_file(file);
    fs::permissions(file, fs::perms::none);
    // The folders are open to everyone, so only the rule that such a file is left alone keeps it.
    fs::permissions(dir, fs::perms::all);
    fs::permissions(file.parent_path(), fs::perms::all);
    const std::string report = run_in_child([&] {
        drop_privileges();
        auto registry = std::make_shared<FileRegistry>(file);
        auto s = store(registry);
        std::string out;
        RegKeyHandle h = 0;
        out += "open=" +
               std::to_string(registry->open_key(reg_hive::kCurrentUser, kSection, reg_access::kRead, h));
        out += " get=" + s.GetSetting("S", "Mine", "default").to_text();
        for (const auto& [name, call] : std::vector<std::pair<const char*, std::function<void()>>>{
                 {"save", [&] { s.SaveSetting("S", "Mine", "overwritten"); }},
                 {"keys",
                  [&] {
                      std::vector<std::string> keys;
                      s.GetAllKeys("S", keys);
                  }},
                 {"delete", [&] { s.DeleteSetting("S", ""); }}}) {
            try {
                call();
                out += std::string(" ") + name + "=done";
            } catch (const AutomationError& e) {
                out += std::string(" ") + name + "=" + e.description();
            }
        }
        out += registry->problem().find("Permission denied") != std::string::npos ? " reason=given"
                                                                                  : " reason=none";
        return out;
    });
    EXPECT_EQ(report,
              "open=5 get=default save=Failed saving the application setting keys=Failed getting all the "
              "application keys delete=Failed deleting the application setting reason=given");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(read_file(file), before);
    EXPECT_FALSE(fs::exists(kept()));
}

TEST_F(FileRegistryTest, PathsThatAreNoRegularFileAreRefusedAtOnceAndSeenAgainWhenMended) {
    fs::create_directories(file.parent_path());
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    const fs::path folder = dir / "folder.reg";
    fs::create_directories(folder);
    const fs::path large = dir / "large.reg";
    {
        std::ofstream(large) << "Windows Registry Editor Version 5.00\r\n";
        fs::resize_file(large, FileRegistry::kMaxFileSize + 1);
    }
    const std::string report = run_in_child(
        [&] {
            std::string out;
            for (const fs::path& path : {file, fs::path("/dev/zero"), folder, large}) {
                auto registry = std::make_shared<FileRegistry>(path);
                RegKeyHandle h = 0;
                out += path.filename().string() + ":" +
                       std::to_string(
                           registry->open_key(reg_hive::kCurrentUser, "Software", reg_access::kRead, h)) +
                       " " + registry->problem().substr(registry->problem().find(": ") + 2) + "\n";
            }
            // Saving goes nowhere near a device, only over the pipe and the large file.
            for (const fs::path& path : {file, large}) {
                try {
                    store(std::make_shared<FileRegistry>(path)).SaveSetting("S", "K", "x");
                    out += "saved over " + path.filename().string() + "\n";
                } catch (const AutomationError&) {
                }
            }
            return out;
        },
        10);
    EXPECT_EQ(report,
              "registry.reg:1016 it is a named pipe, not a regular file\n"
              "zero:1016 it is a character device, not a regular file\n"
              "folder.reg:1016 it is a folder, not a regular file\n"
              "large.reg:1016 it is larger than 64 MiB, more than settings can be\n");
    EXPECT_EQ(fs::status(file).type(), fs::file_type::fifo);
    EXPECT_EQ(static_cast<std::int64_t>(fs::file_size(large)), FileRegistry::kMaxFileSize + 1);

    // The same object reads the file once a regular one takes the pipe's place.
    EXPECT_EQ(run_in_child(
                  [&] {
                      auto registry = std::make_shared<FileRegistry>(file);
                      auto s = store(registry);
                      std::string out;
                      try {
                          s.SaveSetting("S", "K", "x");
                          out += "saved over the pipe ";
                      } catch (const AutomationError&) {
                      }
                      fs::remove(file);
                      write_file(
                          "Windows Registry Editor Version 5.00\r\n"
                          "[HKEY_CURRENT_USER\\Software\\HALVARD\\Corvel\\S]\r\n\"K\"=\"mended\"\r\n");
                      out += s.GetSetting("S", "K", "").to_text() + " " + registry->problem() + "|";
                      s.SaveSetting("S", "K", "saved");
                      return out + s.GetSetting("S", "K", "").to_text();
                  },
                  10),
              "mended |saved");
}

TEST_F(FileRegistryTest, ALinkedFileIsWrittenThroughToItsTargetWithItsMode) {
    const fs::path real = dir / "real" / "settings.reg";
    fs::create_directories(real.parent_path());
    fs::create_directories(file.parent_path());
    std::ofstream(real, std::ios::binary)
        << "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Software\\HALVARD\\Corvel\\S]\r\n"
           "\"Old\"=\"one\"\r\n";
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    fs::create_symlink("../real/settings.reg", file);
    const fs::path dangling = file.parent_path() / "new.reg";
    fs::create_symlink(dir / "real" / "later" / "new.reg", dangling);

    store(std::make_shared<FileRegistry>(file)).SaveSetting("S", "New", "two");
    store(std::make_shared<FileRegistry>(dangling)).SaveSetting("S", "Fresh", "three");

    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file)));
    EXPECT_EQ(fs::read_symlink(file), "../real/settings.reg");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dangling)));
    auto through_target = store(std::make_shared<FileRegistry>(real));
    EXPECT_EQ(through_target.GetSetting("S", "Old", ""), Variant("one"));
    EXPECT_EQ(through_target.GetSetting("S", "New", ""), Variant("two"));
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                  fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(store(std::make_shared<FileRegistry>(dir / "real" / "later" / "new.reg"))
                  .GetSetting("S", "Fresh", ""),
              Variant("three"));
    EXPECT_EQ(entries(file.parent_path()), (std::vector<std::string>{"new.reg", "registry.reg"}));
    EXPECT_EQ(entries(real.parent_path()),
              (std::vector<std::string>{"later", "settings.reg", "settings.reg.lock"}));
}

}  // namespace
}  // namespace corvel
