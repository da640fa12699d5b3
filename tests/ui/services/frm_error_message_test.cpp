#include "ui/services/frm_error_message.h"

#include <gtest/gtest.h>

#include "corvel/version.h"
#include "tests/support/ui_fakes.h"

namespace corvel {
namespace {

const std::string kRule(20, '-');

class ErrorMessageTest : public ::testing::Test {
  protected:
    fakes::UiFakes fakes;
    frmErrorMessage dialog{fakes.environment()};

    void show(std::string_view report, std::string_view support_mail = "") {
        dialog.Load();
        dialog.ErrorMessage(report);
        dialog.SupportMail(support_mail);
        dialog.Show(forms::ShowMode::Modal);
        fakes.host->verify();
    }
    std::vector<std::string> opened_addresses() const {
        std::vector<std::string> addresses;
        for (const auto& call : fakes.shell->calls_named("execute"))
            addresses.push_back(call.file);
        return addresses;
    }
};

TEST_F(ErrorMessageTest, ActivationNamesTheLibraryPresetsAbortAndAsksForAttention) {
    fakes.host
        ->inspect([&](forms::Form&) {
            EXPECT_EQ(dialog.Caption(), "Error");
            EXPECT_EQ(dialog.elaTitleCaption.Caption(), "An error occurred in Pelorin");
            EXPECT_FALSE(dialog.btnSend.Enabled()) << "no support address, no mail";
            EXPECT_EQ(dialog.Tag(), "ABORT");
            EXPECT_EQ(fakes.host->beeps(), 1);
            EXPECT_EQ(fakes.host->brought_to_front(), (std::vector<std::string>{"frmErrorMessage"}));
        })
        .click("btnIgnore")
        .expect_hidden("frmErrorMessage");
    EXPECT_EQ(dialog.elaTitleCaption.Caption(), "An Error occured in ...");
    show("report");
    EXPECT_EQ(dialog.Tag(), "IGNORE");
}

TEST_F(ErrorMessageTest, EachAnswerButtonLeavesItsAnswer) {
    for (const auto& [button, answer] :
         {std::pair{"btnAbort", "ABORT"}, {"btnRetry", "RETRY"}, {"btnIgnore", "IGNORE"}}) {
        fakes.host->click(button);
        show("report", "support@halvard.example");
        EXPECT_EQ(dialog.Tag(), answer);
    }
}

TEST_F(ErrorMessageTest, TheVersionIsTheLastLineOfTheText) {
    dialog.ErrorMessage("line one\r\nline two");
    EXPECT_EQ(dialog.ErrorMessage(), std::string("line one\r\nline two\r\nVersion: ") + kVersionText);
    EXPECT_EQ(std::string(kVersionText), std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) +
                                             "." + std::to_string(kVersionRevision));
}

TEST_F(ErrorMessageTest, SendOpensASupportMailEachTimeAndLeavesTheAnswerAlone) {
    fakes.host->inspect([&](forms::Form&) { EXPECT_TRUE(dialog.btnSend.Enabled()); })
        .click("btnSend")
        .click("btnSend")
        .inspect([&](forms::Form&) { EXPECT_EQ(dialog.Tag(), "ABORT"); })
        .click("btnRetry");
    show("12/9/2025 - 6:00:00 PM\r\n\tError: 5, (Invalid procedure call)\r\n\tin A at line 0",
         "support@halvard.example");
    const std::string expected =
        "mailto:support@halvard.example?subject=An%20error%20occurred%20in%20Pelorin&body=%0A%0A" + kRule +
        "%0A12%2F9%2F2025 - 6%3A00%3A00 PM%0A%09Error%3A 5, (Invalid procedure call)%0A%09in A at line 0"
        "%0AVersion%3A " +
        kVersionText + "%0A" + kRule;
    EXPECT_EQ(opened_addresses(), (std::vector<std::string>{expected, expected}));
    EXPECT_EQ(fakes.shell->calls_named("execute")[0].verb, "open");
    EXPECT_EQ(dialog.Tag(), "RETRY");
}

TEST_F(ErrorMessageTest, TheMailBodyEscapesEverythingThatWouldBreakTheAddress) {
    const std::string address =
        frmErrorMessage::support_mail_address("s@h.example", "A b", "100% done #3: a/b?c=d&e\tf\rg\nh\r\ni");
    EXPECT_EQ(address, "mailto:s@h.example?subject=A%20b&body=%0A%0A" + kRule +
                           "%0A100%25 done %233%3A a%2Fb%3Fc%3Dd%26e%09f%0Dg%0Ah%0Ai%0A" + kRule);
}

TEST_F(ErrorMessageTest, AMailProgramThatCannotStartLeavesTheQuestionOpen) {
    fakes.shell->results = {8};
    fakes.host->click("btnSend").click("btnAbort");
    show("report", "support@halvard.example");
    EXPECT_EQ(dialog.Tag(), "ABORT");
}

}  // namespace
}  // namespace corvel
