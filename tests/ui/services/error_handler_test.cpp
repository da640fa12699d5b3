#include "ui/services/error_handler.h"

#include <gtest/gtest.h>

#include "common/automation_error.h"
#include "seams/message_box.h"
#include "tests/support/automation_error_of.h"
#include "tests/support/ui_fakes.h"

namespace corvel {
namespace {

constexpr const char* kProcedure = "Pelorin.frmModifyList.ButAdd_Click";
constexpr const char* kStamp = "12/9/2025 - 6:00:00 PM";
const std::string kIndent(20, ' ');

class ErrorHandlerTest : public ::testing::Test {
  protected:
    fakes::UiFakes fakes;
    CErrorHandler handler{fakes.environment()};

    std::string& log(const char* name) { return fakes.files->files[name]; }
    static std::uint32_t error_of(const std::function<void()>& f) {
        const AutomationError e = fakes::automation_error_of(f);
        if (e.code() != 0) {
            EXPECT_EQ(e.source(), "Pelorin.CErrorHandler");
        }
        return e.code();
    }
    static PendingError failure() {
        return PendingError{static_cast<std::int32_t>(0x80044679u), "File not found", 0};
    }
};

TEST_F(ErrorHandlerTest, StartsWithItsDefaults) {
    EXPECT_FALSE(handler.CallStackEnabled());
    EXPECT_FALSE(handler.TracingEnabled());
    EXPECT_EQ(handler.ErrorHandlerActions(), 1);
    EXPECT_EQ(handler.TracingFlags(), 0);
    EXPECT_EQ(handler.ErrorNumber(), 0);
    EXPECT_EQ(handler.ErrorLine(), 0);
    EXPECT_EQ(handler.ErrorLogFile(), "Error Log.txt");
    EXPECT_EQ(handler.TracingLogFile(), "Tracing Log.txt");
    EXPECT_EQ(handler.ErrorDescription(), "");
    EXPECT_EQ(handler.SupportMail(), "");
    EXPECT_EQ(handler.Tag(), "");
    EXPECT_FALSE(handler.IsWindowsNT());
    EXPECT_TRUE(handler.call_stack().empty());
}

TEST_F(ErrorHandlerTest, WindowsNtComesFromTheExtendedVersionRecordThenTheBasicOne) {
    fakes.os_version->answers = {{148, 2}};
    fakes.os_version->asked.clear();
    CErrorHandler on_nt(fakes.environment());
    EXPECT_TRUE(on_nt.IsWindowsNT());
    EXPECT_EQ(fakes.os_version->asked, (std::vector<std::uint32_t>{156, 148}));

    fakes.os_version->answers = {{156, 1}, {148, 2}};
    CErrorHandler on_windows_9x(fakes.environment());
    EXPECT_FALSE(on_windows_9x.IsWindowsNT()) << "the extended answer is taken when it comes";
}

TEST_F(ErrorHandlerTest, InitChecksInOrderAndKeepsWhatItStoredBeforeAFailure) {
    EXPECT_EQ(error_of([&] { handler.Init(0, "a.txt", true, true, 2, "b.txt"); }),
              CErrorHandler::kErrInvalidActions);
    EXPECT_EQ(error_of([&] { handler.Init(16, "a.txt", true, true, 2, "b.txt"); }),
              CErrorHandler::kErrInvalidActions);
    EXPECT_FALSE(handler.CallStackEnabled());

    EXPECT_EQ(error_of([&] { handler.Init(3, "a.txt", true, true, 4, "b.txt"); }),
              CErrorHandler::kErrInvalidTracingFlags);
    EXPECT_EQ(handler.ErrorHandlerActions(), 3);
    EXPECT_EQ(handler.ErrorLogFile(), "a.txt");
    EXPECT_TRUE(handler.CallStackEnabled());
    EXPECT_TRUE(handler.TracingEnabled());
    EXPECT_EQ(handler.TracingFlags(), 0);
    EXPECT_EQ(handler.TracingLogFile(), "Tracing Log.txt");

    EXPECT_EQ(error_of([&] { handler.Init(3, "", false, false, 2, "b.txt"); }),
              CErrorHandler::kErrInvalidFileName);
    EXPECT_EQ(error_of([&] { handler.Init(5, "c.txt", false, false, 0, "b.txt"); }),
              CErrorHandler::kErrInvalidTracingFlags);
    EXPECT_EQ(error_of([&] { handler.Init(5, "c.txt", false, false, 1, ""); }),
              CErrorHandler::kErrInvalidFileName);
    EXPECT_EQ(handler.TracingFlags(), 1);

    EXPECT_EQ(error_of([&] { handler.ErrorHandlerActions(16); }), CErrorHandler::kErrInvalidActions);
    EXPECT_EQ(error_of([&] { handler.TracingFlags(0); }), CErrorHandler::kErrInvalidTracingFlags);
    EXPECT_EQ(error_of([&] { handler.ErrorLogFile(""); }), CErrorHandler::kErrInvalidFileName);
    EXPECT_EQ(error_of([&] { handler.TracingLogFile(""); }), CErrorHandler::kErrInvalidFileName);
    EXPECT_EQ(handler.ErrorHandlerActions(), 5);
    EXPECT_EQ(handler.ErrorLogFile(), "c.txt");
}

TEST_F(ErrorHandlerTest, TracingAppendsOneLinePerEntryAndExitOpeningTheLogEachTime) {
    handler.Init(8, "Error Log.txt", true, true, 2, "Tracing Log.txt");
    handler.CallStackPush(kProcedure, "");
    handler.CallStackPop();
    handler.CallStackPop();  // empty: no line, no error
    EXPECT_EQ(log("Tracing Log.txt"), std::string(kStamp) + " --- Entered routine: " + kProcedure + "\r\n" +
                                          kStamp + " --- Exited routine: " + kProcedure + "\r\n");
    EXPECT_EQ(fakes.files->appends, 2);

    handler.TracingFlags(1);  // debugger output only: nothing in the delivered library
    handler.CallStackPush("A", "");
    handler.TracingFlags(3);
    handler.TracingEnabled(false);
    handler.CallStackPush("B", "");
    EXPECT_EQ(fakes.files->appends, 2);
    EXPECT_EQ(handler.call_stack(), (std::vector<std::string>{"A", "B"}))
        << "push and pop work without tracing";
}

TEST_F(ErrorHandlerTest, ATraceLogThatCannotBeWrittenIsAComponentFailure) {
    handler.Init(8, "Error Log.txt", true, true, 2, "Tracing Log.txt");
    fakes.files->unwritable.insert("Tracing Log.txt");
    EXPECT_EQ(error_of([&] { handler.CallStackPush(kProcedure, ""); }), CErrorHandler::kErrComponentFailure);
}

TEST_F(ErrorHandlerTest, TheErrorLogGetsTheWholeReportAndNobodyIsAsked) {
    handler.Init(2, "Error Log.txt", true, false, 2, "Tracing Log.txt");
    handler.CallStackPush("A", "");
    handler.CallStackPush("B", "");
    EXPECT_EQ(
        handler.HandleError("", PendingError{static_cast<std::int32_t>(0x800443FAu), "Bad (value)", 17}),
        CErrorHandler::kAbort);
    const std::string report = std::string(kStamp) + "\r\n" +
                               "\tError: -2147204102, (Bad (value))\r\n"
                               "\tin B at line 17\r\n"
                               "\r\n"
                               "The call stack is:\r\n" +
                               kIndent + "B()\r\n" + kIndent + "A()";
    EXPECT_EQ(log("Error Log.txt"), report + "\r\n");
    EXPECT_TRUE(fakes.host->messages().empty());
    EXPECT_EQ(handler.ErrorNumber(), -2147204102);
    EXPECT_EQ(handler.ErrorDescription(), "Bad (value)");
    EXPECT_EQ(handler.ErrorLine(), 17);

    handler.HandleError("", failure());
    EXPECT_EQ(log("Error Log.txt")
                  .rfind(report + "\r\n" + kStamp + "\r\n\tError: -2147203463, (File not found)", 0),
              0u)
        << "a second report is appended";
}

TEST_F(ErrorHandlerTest, TheReportNamesTheGivenProcedureElseTheTopOfAnEnabledStackElseUnknown) {
    handler.Init(2, "Error Log.txt", false, false, 2, "Tracing Log.txt");
    const auto reported = [&](const char* procedure) {
        fakes.files->files.clear();
        handler.HandleError(procedure, failure());
        const std::string& text = log("Error Log.txt");
        const std::size_t at = text.find("\tin ");
        return text.substr(at + 4, text.find(" at line", at) - at - 4);
    };
    EXPECT_EQ(reported(""), "Unknown");
    handler.CallStackPush("A", "");
    EXPECT_EQ(reported(""), "Unknown") << "the stack is not consulted while disabled";
    handler.CallStackEnabled(true);
    EXPECT_EQ(reported(""), "A");
    EXPECT_EQ(reported("Pelorin.mGlobal.Named"), "Pelorin.mGlobal.Named");
    handler.CallStackClear();
    EXPECT_EQ(reported(""), "Unknown");
}

TEST_F(ErrorHandlerTest, TheEventLogIsWrittenOnlyOnTheNtFamily) {
    handler.Init(4, "Error Log.txt", true, false, 2, "Tracing Log.txt");
    EXPECT_EQ(handler.HandleError("", failure()), CErrorHandler::kAbort);
    EXPECT_TRUE(fakes.event_log->entries.empty());

    fakes.os_version->answers = {{156, 2}};
    CErrorHandler on_nt(fakes.environment());
    on_nt.Init(4, "Error Log.txt", true, false, 2, "Tracing Log.txt");
    on_nt.HandleError("", failure());
    ASSERT_EQ(fakes.event_log->entries.size(), 1u);
    EXPECT_EQ(fakes.event_log->entries[0].rfind(kStamp, 0), 0u);
    fakes.event_log->accept = false;
    EXPECT_EQ(error_of([&] { on_nt.HandleError("", failure()); }), CErrorHandler::kErrComponentFailure);
}

TEST_F(ErrorHandlerTest, TheMessageBoxAsksAbortRetryOrIgnore) {
    handler.Init(1, "Error Log.txt", true, false, 2, "Tracing Log.txt");
    fakes.host->answer(msgbox::kAbort).answer(msgbox::kRetry).answer(msgbox::kIgnore);
    EXPECT_EQ(handler.HandleError("", failure()), CErrorHandler::kAbort);
    EXPECT_EQ(handler.HandleError("", failure()), CErrorHandler::kRetry);
    EXPECT_EQ(handler.HandleError("", failure()), CErrorHandler::kIgnore);
    fakes.host->verify();
    ASSERT_EQ(fakes.host->messages().size(), 3u);
    EXPECT_EQ(fakes.host->messages()[0].style, msgbox::kAbortRetryIgnore);
    EXPECT_EQ(fakes.host->messages()[0].title, "Pelorin") << "the application's own title";
    EXPECT_EQ(fakes.host->messages()[0].prompt.rfind(kStamp, 0), 0u);
}

TEST_F(ErrorHandlerTest, TheErrorDialogsAnswerDecidesEvenAfterTheMessageBox) {
    handler.Init(9, "Error Log.txt", true, false, 2, "Tracing Log.txt");
    fakes.host->answer(msgbox::kIgnore).click("frmErrorMessage.btnRetry").expect_hidden("frmErrorMessage");
    EXPECT_EQ(handler.HandleError("", failure()), CErrorHandler::kRetry);
    fakes.host->click("btnAbort").answer(msgbox::kRetry).click("btnIgnore").close_box("frmErrorMessage");
    handler.ErrorHandlerActions(8);
    EXPECT_EQ(handler.HandleError("", failure()), CErrorHandler::kAbort);
    handler.ErrorHandlerActions(9);
    EXPECT_EQ(handler.HandleError("", failure()), CErrorHandler::kIgnore);
    handler.ErrorHandlerActions(8);
    EXPECT_EQ(handler.HandleError("", failure()), CErrorHandler::kAbort)
        << "the close box keeps the preset answer";
    fakes.host->verify();
    EXPECT_TRUE(fakes.files->files.empty()) << "no log without its action bit";
}

TEST_F(ErrorHandlerTest, AnErrorLogThatCannotBeWrittenFailsHandleErrorAfterTakingTheError) {
    handler.Init(10, "Error Log.txt", true, false, 2, "Tracing Log.txt");
    fakes.files->unwritable.insert("Error Log.txt");
    EXPECT_EQ(error_of([&] { handler.HandleError("", failure()); }), CErrorHandler::kErrComponentFailure);
    EXPECT_EQ(handler.ErrorDescription(), "File not found");
    EXPECT_EQ(fakes.host->messages().size(), 0u);
}

TEST_F(ErrorHandlerTest, ClearDeletesTheChosenLogsAndIgnoresMissingOnes) {
    fakes.files->files = {{"Error Log.txt", "e"}, {"Tracing Log.txt", "t"}};
    handler.Clear(true, false);
    EXPECT_EQ(fakes.files->files.count("Error Log.txt"), 0u);
    EXPECT_EQ(fakes.files->files.count("Tracing Log.txt"), 1u);
    handler.Clear(true, true);
    EXPECT_TRUE(fakes.files->files.empty());
}

TEST_F(ErrorHandlerTest, CallStackClearEmptiesOnlyAnEnabledStack) {
    handler.CallStackPush("A", "");
    handler.CallStackClear();
    EXPECT_EQ(handler.call_stack().size(), 1u);
    handler.CallStackEnabled(true);
    handler.CallStackClear();
    EXPECT_TRUE(handler.call_stack().empty());
}

}  // namespace
}  // namespace corvel
