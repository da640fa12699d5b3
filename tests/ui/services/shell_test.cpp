#include "ui/services/shell.h"

#include <gtest/gtest.h>

#include "common/automation_error.h"
#include "tests/support/automation_error_of.h"
#include "tests/support/ui_fakes.h"

namespace corvel {
namespace {

using fakes::ScriptedShell;
const auto error_of = fakes::automation_error_of;

class ShellTest : public ::testing::Test {
  protected:
    std::shared_ptr<ScriptedShell> services = std::make_shared<ScriptedShell>();
    std::shared_ptr<MemoryRegistry> registry = std::make_shared<MemoryRegistry>();
    CShell shell{services, registry};

    void TearDown() override {
        EXPECT_EQ(services->open_searches, 0) << "a file search was left open";
        EXPECT_EQ(services->open_processes, 0) << "a process handle was left open";
        EXPECT_EQ(registry->open_key_count(), 0);
    }

    ScriptedShell::Call last_execute() const {
        const auto calls = services->calls_named("execute");
        return calls.empty() ? ScriptedShell::Call{} : calls.back();
    }
    void classes(const std::string& key, const std::string& default_value) {
        registry->put_value(reg_hive::kLocalMachine, "SOFTWARE\\Classes\\" + key, "", RegType::Sz,
                            default_value + '\0');
    }
};

TEST_F(ShellTest, MailAddressCarriesThePresentFieldsInOrderSubjectCcBody) {
    shell.CreateNewMailMessage("support@halvard.example", "", "", "");
    EXPECT_EQ(last_execute().file, "mailto:support@halvard.example");
    EXPECT_EQ(last_execute().verb, "open");

    shell.CreateNewMailMessage("a@b.example", "", "", "Hello there");
    EXPECT_EQ(last_execute().file, "mailto:a@b.example?body=Hello there");

    shell.CreateNewMailMessage("a@b.example", "c@d.example", "Report", "x&y");
    EXPECT_EQ(last_execute().file, "mailto:a@b.example?subject=Report&cc=c@d.example&body=x&y");
    EXPECT_EQ(last_execute().owner, ScriptedShell::kDesktop);
    EXPECT_EQ(last_execute().show_command, 1);
}

TEST_F(ShellTest, AddressesUseTheShortTableAndEverythingElseTheFullOne) {
    services->results = {31};
    shell.OpenUrl("https://halvard.example/");
    services->results = {8};
    EXPECT_EQ(error_of([&] { shell.OpenUrl("https://halvard.example/"); }).code(), CShell::kErrOutOfMemory);

    services->files = {"C:\\Data\\quotes.xyz"};
    services->results = {31};
    const AutomationError e = error_of([&] { shell.OpenDocument("C:\\Data\\quotes.xyz"); });
    EXPECT_EQ(e.code(), CShell::kErrNoAssociation);
    EXPECT_EQ(e.description(), "No association for file extension");
    EXPECT_EQ(e.source(), "Pelorin.CShell");
}

TEST_F(ShellTest, EveryShellErrorOfTheFullTableHasItsNumberAndText) {
    struct Row {
        std::intptr_t result;
        std::uint32_t number;
        const char* description;
    };
    const Row rows[] = {
        {2, 0x80044679u, "File not found"},
        {5, 0x80044679u, "File not found"},
        {3, 0x8004467Au, "Path not found"},
        {8, 0x8004467Cu, "Out of memory"},
        {11, 0x80044684u, "Invalid EXE file or error in EXE image"},
        {26, 0x8004467Eu, "A sharing violation occurred"},
        {27, 0x8004467Fu, "Incomplete or invalid file association"},
        {28, 0x80044680u, "DDE timeout"},
        {29, 0x80044681u, "DDE transaction failed"},
        {30, 0x80044682u, "DDE busy"},
        {31, 0x80044683u, "No association for file extension"},
        {32, 0x8004467Du, "DLL not found"},
    };
    for (const Row& row : rows) {
        services->results = {row.result};
        const AutomationError e = error_of([&] { shell.OpenFolder("C:\\Data"); });
        EXPECT_EQ(e.code(), row.number) << "result " << row.result;
        EXPECT_EQ(e.description(), row.description) << "result " << row.result;
    }
    for (const std::intptr_t success : {0, 1, 4, 33, 42}) {
        services->results = {success};
        EXPECT_NO_THROW(shell.ExploreFolder("C:\\Data")) << "result " << success;
    }
    EXPECT_EQ(last_execute().verb, "explore");
}

TEST_F(ShellTest, TheShortTableRaisesOnlyMemorySharingAndDdeFailures) {
    for (const std::intptr_t result : {2, 3, 5, 11, 27, 31, 32}) {
        services->results = {result};
        EXPECT_NO_THROW(shell.CreateNewMailMessage("a@b.example", "", "", "")) << "result " << result;
    }
    for (const std::intptr_t result : {8, 26, 28, 29, 30}) {
        services->results = {result};
        EXPECT_NE(error_of([&] { shell.OpenUrl("x"); }).code(), 0u) << "result " << result;
    }
}

TEST_F(ShellTest, LaunchingAMissingProgramFailsBeforeAnythingStarts) {
    const AutomationError e = error_of([&] { shell.LaunchProgram("C:\\Tools\\missing.exe", "", true); });
    EXPECT_EQ(e.code(), CShell::kErrFileNotFound);
    EXPECT_TRUE(services->calls_named("create").empty());
    EXPECT_TRUE(services->calls_named("execute").empty());
}

TEST_F(ShellTest, LaunchingWithoutWaitingOpensTheProgramInItsOwnFolder) {
    services->files = {"C:\\Program Files\\Tool\\tool.exe", "tool.exe"};
    shell.LaunchProgram("C:\\Program Files\\Tool\\tool.exe", "-q", false, "D:\\ignored");
    EXPECT_EQ(last_execute().verb, "open");
    EXPECT_EQ(last_execute().parameters, "-q");
    EXPECT_EQ(last_execute().directory, "C:\\Program Files\\Tool\\");

    shell.LaunchProgram("tool.exe");
    EXPECT_EQ(last_execute().directory, "");
}

TEST_F(ShellTest, LaunchingAndWaitingRunsTheQuotedProgramAndReturnsWhenItHasEnded) {
    services->files = {"C:\\Program Files\\Tool\\tool.exe"};
    bool program_ended = false;
    services->program_run = [&] { program_ended = true; };
    shell.LaunchProgram("C:\\Program Files\\Tool\\tool.exe", "-q report.txt", true, "C:\\Work");
    EXPECT_TRUE(program_ended);
    const auto created = services->calls_named("create");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].file, "\"C:\\Program Files\\Tool\\tool.exe\" -q report.txt")
        << "the path with blanks is quoted, so it names the program that was found";
    EXPECT_EQ(created[0].directory, "C:\\Work");
    EXPECT_EQ(services->calls.back().name, "close");
}

TEST_F(ShellTest, AProgramThatCannotBeStartedIsReported) {
    services->files = {"C:\\tool.exe", "C:\\odd\"name.exe"};
    services->create_fails = true;
    const AutomationError e = error_of([&] { shell.LaunchProgram("C:\\tool.exe", "", true); });
    EXPECT_EQ(e.code(), CShell::kErrCannotCreateProcess);
    EXPECT_EQ(e.description(), "Cannot create process");

    services->create_fails = false;
    EXPECT_EQ(error_of([&] { shell.LaunchProgram("C:\\odd\"name.exe", "", true); }).code(),
              CShell::kErrCannotCreateProcess)
        << "a quote in the path cannot be quoted";
}

TEST_F(ShellTest, DocumentVerbComesFromTheFileTypeInTheLocalMachineClasses) {
    services->files = {"C:\\Data\\a.txt", "C:\\Data\\a.csv",  "C:\\Data\\a.log", "C:\\Data\\a.xyz",
                       "C:\\Data\\a.dat", "C:\\Data\\README", "C:\\Data\\a.nul"};
    classes(".txt", "txtfile");
    classes("txtfile\\Shell", "edit");
    classes(".csv", "csvfile");
    registry->put_key(reg_hive::kLocalMachine, "SOFTWARE\\Classes\\csvfile\\Shell\\print");
    registry->put_key(reg_hive::kLocalMachine, "SOFTWARE\\Classes\\csvfile\\Shell\\&Open");
    classes(".log", "logfile");
    registry->put_key(reg_hive::kLocalMachine, "SOFTWARE\\Classes\\logfile\\Shell\\print");
    registry->put_key(reg_hive::kLocalMachine, "SOFTWARE\\Classes\\logfile\\Shell\\preview");
    classes(".dat", "datfile");
    classes(".nul", "");
    registry->put_value(reg_hive::kLocalMachine, "SOFTWARE\\Classes\\.xyz", "", RegType::Sz,
                        std::string("xyzfile\0junk\0", 13));
    registry->put_key(reg_hive::kLocalMachine, "SOFTWARE\\Classes\\xyzfile\\Shell");

    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Data\\a.txt", "edit"},   // the preferred verb
        {"C:\\Data\\a.csv", "open"},   // an "&open" command, letter case ignored
        {"C:\\Data\\a.log", "print"},  // the first command
        {"C:\\Data\\a.xyz", ""},       // a Shell key without commands: the shell's default
        {"C:\\Data\\a.dat", ""},       // no Shell key at all
        {"C:\\Data\\README", "open"},  // no extension
        {"C:\\Data\\a.nul", "open"},   // an empty file type
    };
    for (const auto& [file, verb] : cases) {
        shell.OpenDocument(file);
        EXPECT_EQ(last_execute().verb, verb) << file;
        EXPECT_EQ(last_execute().directory, "C:\\Data\\") << file;
    }
    services->files.insert("C:\\Data\\a.unknown");
    shell.OpenDocument("C:\\Data\\a.unknown");
    EXPECT_EQ(last_execute().verb, "open") << "an unknown file type";
}

TEST_F(ShellTest, PropertiesSheetIsAskedForWithTheExtendedRecord) {
    services->files = {"C:\\Data\\a.txt"};
    shell.ShowProperties("C:\\Data\\a.txt", 0);
    auto calls = services->calls_named("execute_ex");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].size, 60u);
    EXPECT_EQ(calls[0].mask, 0x44Cu);
    EXPECT_EQ(calls[0].owner, ScriptedShell::kDesktop);
    EXPECT_EQ(calls[0].verb, "properties");
    EXPECT_EQ(calls[0].parameters, "");
    EXPECT_EQ(calls[0].directory, "");

    shell.ShowProperties("C:\\Data\\a.txt", 0x1234);
    EXPECT_EQ(services->calls_named("execute_ex").back().owner, 0x1234u);

    services->properties_instance = 32;
    EXPECT_EQ(error_of([&] { shell.ShowProperties("C:\\Data\\a.txt", 0); }).description(),
              "Cannot show properties");
    EXPECT_EQ(error_of([&] { shell.ShowProperties("C:\\Data\\b.txt", 0); }).code(), CShell::kErrFileNotFound);
}

TEST_F(ShellTest, ASearchHandleThatCannotBeClosedIsAComponentFailure) {
    services->files = {"C:\\Data\\a.txt"};
    services->find_close_fails = true;
    const AutomationError e = error_of([&] { shell.OpenDocument("C:\\Data\\a.txt"); });
    EXPECT_EQ(e.code(), CShell::kErrComponentFailure);
    EXPECT_EQ(e.description(), "CShell component failure");
    EXPECT_TRUE(services->calls_named("execute").empty());
}

}  // namespace
}  // namespace corvel
