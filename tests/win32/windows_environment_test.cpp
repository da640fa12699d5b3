#include "libraries/ui_environment/windows_environment.h"

#include <gtest/gtest.h>

#include "tests/win32/scratch_folder.h"
#include "ui/services/error_handler.h"

namespace corvel::pelorin {
namespace {

using win32::testing::read_file;
using win32::testing::ScratchFolder;

TEST(WindowsEnvironmentTest, EveryServiceIsFilledAndTheHostIsTheCallers) {
    const UiEnvironment environment = windows_environment(nullptr);
    EXPECT_EQ(environment.host, nullptr);
    EXPECT_NE(environment.clock, nullptr);
    EXPECT_NE(environment.locale, nullptr);
    EXPECT_NE(environment.files, nullptr);
    EXPECT_NE(environment.event_log, nullptr);
    EXPECT_NE(environment.os_version, nullptr);
    EXPECT_NE(environment.shell, nullptr);
    EXPECT_NE(environment.registry, nullptr);
}

// The error handler on the real services: a report in the error log and the event log, a trace of the
// procedure, dated in the user's forms.
TEST(WindowsEnvironmentTest, TheErrorHandlerLogsThroughTheSystem) {
    ScratchFolder scratch;
    const UiEnvironment environment = windows_environment(nullptr);
    CErrorHandler handler(environment);
    EXPECT_TRUE(handler.IsWindowsNT());
    handler.Init(CErrorHandler::kActionErrorLog | CErrorHandler::kActionEventLog,
                 scratch.utf8(L"Error Log.txt"), true, true, CErrorHandler::kTraceLogFile,
                 scratch.utf8(L"Tracing Log.txt"));
    handler.CallStackPush("Pelorin.frmAddTicker.ButInsert_Click", "");
    const double before = environment.clock->now();
    EXPECT_EQ(handler.HandleError("", {5, "Ung\u00FCltiger Prozeduraufruf", 12}), CErrorHandler::kAbort);

    const std::string report = read_file(scratch.path() / L"Error Log.txt");
    EXPECT_EQ(report.rfind(environment.locale->short_date(before) + " - ", 0), 0u) << report;
    EXPECT_NE(report.find("\tError: 5, (Ung\u00FCltiger Prozeduraufruf)\r\n\tin "
                          "Pelorin.frmAddTicker.ButInsert_Click at line 12\r\n"),
              std::string::npos)
        << report;
    const std::string trace = read_file(scratch.path() / L"Tracing Log.txt");
    EXPECT_NE(trace.find(" --- Entered routine: Pelorin.frmAddTicker.ButInsert_Click\r\n"), std::string::npos)
        << trace;
}

}  // namespace
}  // namespace corvel::pelorin
