#include "platform/posix/shell_services.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/automation_error.h"
#include "platform/memory/memory_registry.h"
#include "platform/posix/text_files.h"
#include "ui/services/shell.h"

namespace corvel {
namespace {

namespace fs = std::filesystem;

class PosixShellTest : public ::testing::Test {
  protected:
    fs::path dir =
        fs::temp_directory_path() / ("corvel-shell-" + std::to_string(::getpid()) + "-" +
                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());

    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir / "work dir");
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path script(const std::string& name, const std::string& body) const {
        const fs::path path = dir / name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Waits for something a started program does on its own time.
    static bool eventually(const std::function<bool()>& done) {
        for (int i = 0; i < 500; ++i) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return done();
    }
    CShell shell_with(const std::string& opener = "xdg-open") const {
        return CShell(std::make_shared<PosixShellServices>(opener), std::make_shared<MemoryRegistry>());
    }
};

TEST_F(PosixShellTest, AWaitedProgramRunsWithItsArgumentsInItsDirectoryAndHasEndedOnReturn) {
    const fs::path program = script("my tool", "sleep 0.2\nprintf '%s|' \"$@\" > out.txt\npwd >> out.txt");
    shell_with().LaunchProgram(program.string(), "-q \"two words\"", true, (dir / "work dir").string());
    EXPECT_EQ(read(dir / "work dir" / "out.txt"), "-q|two words|" + (dir / "work dir").string() + "\n");
}

TEST_F(PosixShellTest, AProgramNotWaitedForRunsOnItsOwn) {
    const fs::path program = script("starter", "printf '%s' \"$1\" > started.txt");
    shell_with().LaunchProgram(program.string(), "yes");
    EXPECT_TRUE(eventually([&] { return read(dir / "started.txt") == "yes"; }))
        << "started in the program's own folder";
}

TEST_F(PosixShellTest, AddressesAndDocumentsGoToTheOpener) {
    const fs::path log = dir / "opened.txt";
    const fs::path opener =
        script("opener", "printf '%s\\n' \"$1\" >> '" + log.string() + "'\nexit ${CODE:-0}");
    CShell shell = shell_with(opener.string());
    shell.OpenUrl("mailto:support@halvard.example?subject=A%20b&body=x%0Ay");
    const fs::path document = dir / "quotes.csv";
    std::ofstream(document) << "a,b\n";
    shell.OpenDocument(document.string());
    EXPECT_EQ(read(log),
              "mailto:support@halvard.example?subject=A%20b&body=x%0Ay\n" + document.string() + "\n");
}

TEST_F(PosixShellTest, OpenerFailuresBecomeTheShellsCodes) {
    PosixShellServices services(script("opener", "exit 3").string());
    EXPECT_EQ(services.shell_execute(0, "open", "/nowhere/at/all", "", "", 1), 31) << "no tool for it";
    PosixShellServices missing_file(script("opener2", "exit 2").string());
    EXPECT_EQ(missing_file.shell_execute(0, "open", "x", "", "", 1), 2);
    PosixShellServices no_opener((dir / "no-such-opener").string());
    EXPECT_EQ(no_opener.shell_execute(0, "open", "https://halvard.example/", "", "", 1), 31);
    EXPECT_EQ(no_opener.shell_execute(0, "properties", "x", "", "", 1), 31);
}

TEST_F(PosixShellTest, ThereIsNoPropertiesSheet) {
    const fs::path file = dir / "a.txt";
    std::ofstream(file) << "x";
    try {
        shell_with().ShowProperties(file.string(), 0);
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), CShell::kErrCannotShowProperties);
    }
}

TEST_F(PosixShellTest, FilesAreFoundByNameOrPattern) {
    std::ofstream(dir / "a.log") << "x";
    PosixShellServices services;
    SearchHandle search = 0;
    EXPECT_TRUE(services.find_first_file((dir / "a.log").string(), search));
    EXPECT_TRUE(services.find_close(search));
    EXPECT_FALSE(services.find_close(search)) << "a search closes once";
    EXPECT_TRUE(services.find_first_file((dir / "*.log").string(), search));
    EXPECT_TRUE(services.find_close(search));
    EXPECT_FALSE(services.find_first_file((dir / "*.txt").string(), search));
    EXPECT_FALSE(services.find_first_file((dir / "b.log").string(), search));

    ProcessHandle process = 0;
    EXPECT_FALSE(services.create_process("\"" + (dir / "missing").string() + "\" ", "", process));
}

TEST_F(PosixShellTest, LogFilesAreAppendedCreatedAndDeleted) {
    PosixTextFiles files;
    const std::string log = (dir / "Error Log.txt").string();
    EXPECT_TRUE(files.append(log, "one\r\n"));
    EXPECT_TRUE(files.append(log, "two\r\n"));
    EXPECT_EQ(read(log), "one\r\ntwo\r\n");
    EXPECT_FALSE(files.append((dir / "no dir" / "x.txt").string(), "x"));
    EXPECT_TRUE(files.remove(log));
    EXPECT_FALSE(files.remove(log));
}

}  // namespace
}  // namespace corvel
