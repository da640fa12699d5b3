#include "platform/win32/win32_shell_services.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "common/automation_error.h"
#include "platform/memory/memory_registry.h"
#include "tests/win32/scratch_folder.h"
#include "ui/services/shell.h"

namespace corvel::win32 {
namespace {

using testing::eventually;
using testing::program_folder;
using testing::read_file;
using testing::ScratchFolder;

// The shell's extensions want the thread in a COM apartment, as Excel's thread is.
class ComApartment {
  public:
    ComApartment() : initialized_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialized_) ::CoUninitialize();
    }

  private:
    bool initialized_;
};

class Win32ShellTest : public ::testing::Test {
  protected:
    ComApartment apartment;
    ScratchFolder scratch;
    std::shared_ptr<Win32ShellServices> services = std::make_shared<Win32ShellServices>();
    const std::string child = narrow((program_folder() / L"corvel_test_child.exe").wstring());

    CShell shell() const { return CShell(services, std::make_shared<MemoryRegistry>()); }
    // The child's arguments: where it reports, how long it waits first, and what it reports.
    static std::string child_arguments(const std::string& report, int milliseconds, const std::string& rest) {
        return "\"" + report + "\" " + std::to_string(milliseconds) + " " + rest;
    }
    // The handles this process holds. Wine keeps no count (it answers 0), so then they are counted
    // in the system's handle table, whose entries name their process.
    static DWORD handle_count() {
        DWORD count = 0;
        if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count > 0) return count;
        struct Entry {
            USHORT process;
            USHORT creator;
            UCHAR type;
            UCHAR attributes;
            USHORT handle;
            PVOID object;
            ULONG access;
        };
        struct Table {
            ULONG count;
            Entry entries[1];
        };
        using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
        const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
        constexpr ULONG kSystemHandleInformation = 16;
        constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
        std::vector<char> buffer(1 << 20);
        ULONG needed = 0;
        LONG status = 0;
        while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                               &needed)) == kLengthMismatch) {
            buffer.resize(buffer.size() * 2);
        }
        if (status != 0) return 0;
        const auto* table = reinterpret_cast<const Table*>(buffer.data());
        const auto self = static_cast<USHORT>(::GetCurrentProcessId());
        for (ULONG i = 0; i < table->count; ++i) {
            if (table->entries[i].process == self) ++count;
        }
        return count;
    }
};

TEST_F(Win32ShellTest, AWaitedProgramRunsWithItsArgumentsInItsDirectoryAndHasEndedOnReturn) {
    std::filesystem::create_directories(scratch.path() / L"w\u00F6rk dir");
    const std::string report = scratch.utf8(L"report.txt");
    shell().LaunchProgram(child, child_arguments(report, 300, "-q \"two words\" na\u00EFve"), true,
                          scratch.utf8(L"w\u00F6rk dir"));
    EXPECT_EQ(read_file(scratch.path() / L"report.txt"),
              "-q|two words|na\u00EFve|\n" + scratch.utf8(L"w\u00F6rk dir") + "\n")
        << "the report is written after the child's wait, so it is there only if the launcher waited";
    EXPECT_EQ(services->open_processes(), 0u) << "the launcher closed the process it waited for";
    EXPECT_EQ(services->open_searches(), 0u) << "and the search that found the program";
}

TEST_F(Win32ShellTest, AProgramNotWaitedForRunsOnItsOwnInItsOwnFolder) {
    const std::string report = scratch.utf8(L"started.txt");
    shell().LaunchProgram(child, child_arguments(report, 0, "yes"));
    EXPECT_TRUE(eventually([&] { return !read_file(scratch.path() / L"started.txt").empty(); }));
    EXPECT_EQ(read_file(scratch.path() / L"started.txt"),
              "yes|\n" + narrow(program_folder().wstring()) + "\n");
}

TEST_F(Win32ShellTest, WhatCannotBeStartedIsRefused) {
    try {
        shell().LaunchProgram(scratch.utf8(L"missing.exe"), "", true);
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), CShell::kErrFileNotFound);
    }
    ProcessHandle process = 0;
    EXPECT_FALSE(services->create_process("\"" + scratch.utf8(L"missing.exe") + "\" ", "", process));
    EXPECT_FALSE(services->create_process("", "", process));
    EXPECT_FALSE(services->create_process("\"" + child + "\" x 0", scratch.utf8(L"no such folder"), process))
        << "a start directory that does not exist";
    EXPECT_EQ(services->open_processes(), 0u);
    EXPECT_FALSE(services->close_process(process)) << "nothing was started, so nothing closes";
    services->wait_for_process(0x1234);  // a process this object never started: returns at once

    EXPECT_EQ(services->shell_execute(0, "open", scratch.utf8(L"missing.txt"), "", "", SW_SHOWNORMAL), 2)
        << "file not found";
}

TEST_F(Win32ShellTest, TheExtendedCallTakesTheLaunchersRecordOnEveryWidthAndKeepsNoHandle) {
    const auto open_child = [&](int i) {
        const std::string name = "ex" + std::to_string(i) + ".txt";
        ShellExecuteInfo info;
        ASSERT_EQ(info.size, 60u) << "the size the launcher writes, the 32-bit record's";
        info.mask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        info.owner = services->desktop_window();
        info.verb = "open";
        info.file = child;
        info.parameters = child_arguments(scratch.utf8(widen(name)), 0, "ex");
        info.show_command = SW_SHOWNORMAL;
        ASSERT_TRUE(services->shell_execute_ex(info));
        EXPECT_GT(info.instance, 32);
        EXPECT_TRUE(eventually([&] { return !read_file(scratch.path() / widen(name)).empty(); }));
    };
    // The first call loads what the shell keeps for the rest of the process.
    open_child(0);
    const DWORD handles_before = handle_count();
    constexpr int kCalls = 6;
    for (int i = 1; i <= kCalls; ++i)
        open_child(i);
    // The shell handed back a process handle each time; none of them may stay open. A handle of the
    // shell's own may come or go, but not one per call.
    EXPECT_LT(handle_count(), handles_before + kCalls / 2);

    ShellExecuteInfo missing;
    missing.mask = SEE_MASK_FLAG_NO_UI;
    missing.verb = "open";
    missing.file = scratch.utf8(L"missing.txt");
    EXPECT_FALSE(services->shell_execute_ex(missing));
    EXPECT_LE(missing.instance, 32);
}

TEST_F(Win32ShellTest, FilesAreFoundByNameOrPatternAndEverySearchClosesOnce) {
    std::ofstream(scratch.path() / L"a \u00FC.log") << "x";
    SearchHandle search = 0;
    EXPECT_TRUE(services->find_first_file(scratch.utf8(L"a \u00FC.log"), search));
    EXPECT_EQ(services->open_searches(), 1u);
    EXPECT_TRUE(services->find_close(search));
    EXPECT_FALSE(services->find_close(search)) << "a search closes once";
    EXPECT_TRUE(services->find_first_file(scratch.utf8(L"*.log"), search));
    EXPECT_TRUE(services->find_close(search));
    EXPECT_FALSE(services->find_first_file(scratch.utf8(L"*.txt"), search));
    EXPECT_FALSE(services->find_first_file(scratch.utf8(L"b.log"), search));
    EXPECT_FALSE(services->find_first_file("", search));
    EXPECT_EQ(services->open_searches(), 0u);
}

}  // namespace
}  // namespace corvel::win32
