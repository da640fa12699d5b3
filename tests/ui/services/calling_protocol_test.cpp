#include "ui/services/calling_protocol.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "common/automation_error.h"
#include "tests/support/ui_fakes.h"
#include "ui/services/frm_error_message.h"

namespace corvel {
namespace {

using Log = std::vector<std::string>;

// Procedures of a module "Pelorin.frmTest", run as the dialogs run theirs.
class CallingProtocolTest : public ::testing::Test {
  protected:
    fakes::UiFakes fakes;
    CErrorHandler handler{fakes.environment()};
    CallingProtocol protocol{handler, "Pelorin.frmTest"};
    Log log;

    void SetUp() override { handler.Init(8, "Error Log.txt", true, false, 2, "Tracing Log.txt"); }

    static AutomationError failure(const char* text) { return AutomationError(5, "Pelorin", text); }
    // What the error dialog showed as the failing procedure.
    void expect_reported(const std::string& procedure) {
        fakes.host->inspect(
            [procedure](forms::Form& form) {
                const auto& text = static_cast<frmErrorMessage&>(form).ErrorMessage();
                EXPECT_NE(text.find("\tin " + procedure + " at line "), std::string::npos) << text;
            },
            "frmErrorMessage");
    }
};

TEST_F(CallingProtocolTest, ANormalRunPushesOnEntryAndPopsOnEveryWayOut) {
    handler.Init(8, "Error Log.txt", true, true, 2, "Tracing Log.txt");
    protocol("Worker", [&](Statements& s) {
        s([&] { log.push_back("depth " + std::to_string(handler.call_stack().size())); });
        if (s([] { return true; })) return;
        log.push_back("not reached");
    });
    EXPECT_EQ(log, (Log{"depth 1"}));
    EXPECT_TRUE(handler.call_stack().empty());
    const std::string& trace = fakes.files->files["Tracing Log.txt"];
    EXPECT_NE(trace.find("Entered routine: Pelorin.frmTest.Worker\r\n"), std::string::npos);
    EXPECT_NE(trace.find("Exited routine: Pelorin.frmTest.Worker\r\n"), std::string::npos);
}

TEST_F(CallingProtocolTest, RetryRunsTheFailingStatementAgain) {
    int failures = 2;
    int failing_line = 0;
    expect_reported("Pelorin.frmTest.ButAdd_Click");
    fakes.host->click("frmErrorMessage.btnRetry").click("frmErrorMessage.btnRetry");
    protocol("ButAdd_Click", [&](Statements& s) {
        s([&] { log.push_back("first"); });
        failing_line = __LINE__ + 1;
        s([&] {
            log.push_back("second");
            if (failures-- > 0) throw failure("Subscript out of range");
        });
        s([&] { log.push_back("third"); });
    });
    fakes.host->verify();
    EXPECT_EQ(log, (Log{"first", "second", "second", "second", "third"}));
    EXPECT_EQ(handler.ErrorLine(), failing_line);
    EXPECT_EQ(handler.ErrorNumber(), 5);
    EXPECT_EQ(handler.ErrorDescription(), "Subscript out of range");
    EXPECT_TRUE(handler.call_stack().empty());
    EXPECT_TRUE(fakes.files->files.empty()) << "the library's set-up shows the dialog and writes no log";
}

TEST_F(CallingProtocolTest, IgnoreGoesOnWithTheNextStatement) {
    fakes.host->click("btnIgnore").click("btnIgnore");
    bool found = true;
    std::string name = "kept";
    protocol("Worker", [&](Statements& s) {
        s([&] { throw failure("one"); });
        found = s([&]() -> bool { throw failure("two"); });
        name = s([&]() -> std::string { return "read"; });
        log.push_back("after");
    });
    fakes.host->verify();
    EXPECT_EQ(log, (Log{"after"}));
    EXPECT_FALSE(found) << "an ignored statement yields the default of its value";
    EXPECT_EQ(name, "read");
    EXPECT_TRUE(handler.call_stack().empty());
}

TEST_F(CallingProtocolTest, IgnoreInsideANestedStatementContinuesWithinIt) {
    fakes.host->click("btnIgnore");
    protocol("Worker", [&](Statements& s) {
        s([&] {
            for (int i = 0; i < 3; ++i) {
                s([&] {
                    if (i == 1) throw failure("row");
                    log.push_back("row " + std::to_string(i));
                });
            }
        });
    });
    EXPECT_EQ(log, (Log{"row 0", "row 2"}));
}

TEST_F(CallingProtocolTest, AbortLeavesTheProcedureEmptiesTheStackAndTheCallerGoesOn) {
    const auto inner = [&] {
        protocol("Inner", [&](Statements& s) {
            s([&] { throw failure("inner"); });
            log.push_back("inner goes on");
        });
    };
    fakes.host->inspect(
        [](forms::Form& form) {
            const auto& text = static_cast<frmErrorMessage&>(form).ErrorMessage();
            const std::string indent(20, ' ');
            EXPECT_NE(text.find(indent + "Pelorin.frmTest.Inner()\r\n" + indent + "Pelorin.frmTest.Outer()"),
                      std::string::npos)
                << text;
        },
        "frmErrorMessage");
    fakes.host->click("btnAbort");
    protocol("Outer", [&](Statements& s) {
        s(inner);
        s([&] { log.push_back("outer goes on, stack " + std::to_string(handler.call_stack().size())); });
    });
    fakes.host->verify();
    EXPECT_EQ(log, (Log{"outer goes on, stack 0"}));
    EXPECT_TRUE(handler.call_stack().empty());
}

TEST_F(CallingProtocolTest, AFailingErrorHandlerLeavesTheProcedureWithItsErrorToTheCaller) {
    handler.Init(10, "Error Log.txt", true, false, 2, "Tracing Log.txt");
    fakes.files->failing_appends = 1;  // the inner report cannot be logged, the outer one can
    fakes.host->click("btnAbort");
    protocol("Outer", [&](Statements& s) {
        s([&] {
            protocol("Inner", [&](Statements& inner) {
                inner([&] { throw failure("inner"); });
                log.push_back("inner goes on");
            });
        });
        log.push_back("outer goes on");
    });
    fakes.host->verify();
    EXPECT_TRUE(log.empty());
    const std::string& report = fakes.files->files["Error Log.txt"];
    EXPECT_NE(report.find("\tError: -2147204100, (CErrorHandler component failure)\r\n"
                          "\tin Pelorin.frmTest.Inner at line "),
              std::string::npos)
        << report;

    fakes.files->failing_appends = 1;
    try {
        protocol("Alone", [&](Statements& s) { s([&] { throw failure("alone"); }); });
        FAIL() << "the failure did not reach the caller";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), CErrorHandler::kErrComponentFailure);
    }
}

TEST_F(CallingProtocolTest, EntryAndExitAreInsideTheTrap) {
    handler.Init(8, "Error Log.txt", true, true, 2, "Tracing Log.txt");
    fakes.files->unwritable.insert("Tracing Log.txt");
    expect_reported("Pelorin.frmTest.Worker");
    fakes.host->click("btnIgnore").click("btnIgnore");
    protocol("Worker", [&](Statements& s) { s([&] { log.push_back("body"); }); });
    fakes.host->verify();
    EXPECT_EQ(log, (Log{"body"}));
    EXPECT_EQ(handler.call_stack(), (std::vector<std::string>{"Pelorin.frmTest.Worker"}))
        << "the exit could not be traced, so the entry stays";
}

TEST_F(CallingProtocolTest, AQuietTrapLeavesWithoutAWordAndRemovesItsEntry) {
    bool resolved = false;
    protocol(
        "CheckAddres",
        [&](Statements& s) {
            s([&] { throw failure("not a range"); });
            resolved = true;
        },
        Trap::LeaveQuietly);
    EXPECT_FALSE(resolved);
    EXPECT_TRUE(handler.call_stack().empty());
    EXPECT_TRUE(fakes.host->messages().empty());
    fakes.host->verify();
}

TEST_F(CallingProtocolTest, FailuresOtherThanAutomationErrorsAreReportedWithTheirText) {
    fakes.host->click("btnIgnore").click("btnIgnore");
    int number = 0;
    std::string description;
    protocol("Worker", [&](Statements& s) {
        s([&] { throw std::out_of_range("row 7 is beyond the table"); });
        s([&] { number = handler.ErrorNumber(), description = handler.ErrorDescription(); });
        s([&] { throw std::bad_alloc(); });
    });
    EXPECT_EQ(number, 51);
    EXPECT_EQ(description, "row 7 is beyond the table");
    EXPECT_EQ(handler.ErrorNumber(), 7);
    EXPECT_EQ(handler.ErrorDescription(), "Out of memory");
}

TEST_F(CallingProtocolTest, ADisagreeingScriptPassesEveryTrap) {
    EXPECT_THROW(protocol("Worker",
                          [&](Statements& s) {
                              s([&] { throw forms::ScriptMismatch("the script disagrees"); });
                              log.push_back("went on");
                          }),
                 forms::ScriptMismatch);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(handler.ErrorNumber(), 0) << "the handler never saw it";
}

}  // namespace
}  // namespace corvel
