#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "seams/message_box.h"
#include "tests/support/headless_host.h"
#include "tests/ui/forms/sample_dialog.h"

namespace corvel::forms {
namespace {

using ::testing::HasSubstr;

class HeadlessHostTest : public ::testing::Test {
  protected:
    HeadlessHost host{"Pelorin"};
    SampleDialog dialog{host};

    // Shows the dialog and returns what the script mismatch said ("" without one).
    std::string mismatch_of_show() {
        try {
            dialog.Show(ShowMode::Modal);
        } catch (const ScriptMismatch& e) {
            EXPECT_THROW(host.verify(), ScriptMismatch) << "verify repeats the mismatch";
            return e.what();
        }
        return "";
    }
    void message_on_ok(std::optional<std::string> title) {
        dialog.ButOK.Click = [this, title] {
            const auto answer = dialog.MsgBox("Please fill in the 'Ticker' field ", msgbox::kCritical,
                                              title ? std::optional<std::string_view>(*title) : std::nullopt);
            dialog.log.push_back("answer " + std::to_string(answer));
        };
    }
};

TEST_F(HeadlessHostTest, ScriptDrivesEveryKindOfControl) {
    dialog.lstItems.AddItem("SMART");
    dialog.lstItems.AddItem("ECBOT");
    dialog.VSFGrid.AddItem("MSFT\tSTK");
    host.type("txtName", "IBM")
        .click("OptB")
        .click("chkSize")
        .select("ComType", "Index")
        .select("lstItems", 1)
        .select_row("VSFGrid", 1)
        .select("CIndexType", "Option")
        .type("txtOPTSymbol", "ES")
        .window_state(WindowState::Maximized)
        .inspect([](Form& form) { EXPECT_EQ(form.WindowState(), WindowState::Maximized); })
        .click("ButOK");
    dialog.Show(ShowMode::Modal);
    host.verify();
    EXPECT_EQ(dialog.txtName.Text(), "IBM");
    EXPECT_TRUE(dialog.OptB.Value());
    EXPECT_EQ(dialog.chkSize.Value(), CheckBox::kChecked);
    EXPECT_EQ(dialog.ComType.ListIndex(), 2);
    EXPECT_EQ(dialog.lstItems.Text(), "ECBOT");
    EXPECT_EQ(dialog.VSFGrid.Row(), 1);
    EXPECT_EQ(dialog.txtOPTSymbol.Text(), "ES");
    EXPECT_EQ(dialog.ActiveControl(), &dialog.ButOK);
}

TEST_F(HeadlessHostTest, ADisabledControlCannotBeUsed) {
    dialog.ButOK.Enabled(false);
    host.click("ButOK");
    EXPECT_EQ(mismatch_of_show(), "script step 1 (click ButOK): ButOK is disabled");
}

TEST_F(HeadlessHostTest, AControlOnAnotherPageIsNotVisible) {
    host.type("txtOPTSymbol", "ES");
    EXPECT_EQ(mismatch_of_show(),
              "script step 1 (type \"ES\" into txtOPTSymbol): txtOPTSymbol is not visible");
}

TEST_F(HeadlessHostTest, AMissingControlOrAnotherDialogIsNamed) {
    host.click("frmOther.ButOK");
    EXPECT_EQ(mismatch_of_show(),
              "script step 1 (click frmOther.ButOK): frmSample is the dialog shown, not frmOther");
}

TEST_F(HeadlessHostTest, WrongActionsForAControlAreNamed) {
    host.click("ButNope");
    EXPECT_THAT(mismatch_of_show(), HasSubstr("frmSample has no control named ButNope"));

    HeadlessHost other("Pelorin");
    SampleDialog second(other);
    other.type("ComType", "Bond");
    try {
        second.Show(ShowMode::Modal);
        FAIL() << "no mismatch";
    } catch (const ScriptMismatch& e) {
        EXPECT_THAT(e.what(), HasSubstr("ComType only lets the user pick an item"));
    }
}

TEST_F(HeadlessHostTest, ADialogWaitingAfterTheScriptEndedIsReported) {
    EXPECT_EQ(mismatch_of_show(),
              "the script has ended, but frmSample is still shown and waits for the user");
}

TEST_F(HeadlessHostTest, MessageBoxesMeetTheirExpectationsAndDefaultToTheApplicationTitle) {
    message_on_ok(std::nullopt);
    host.click("ButOK")
        .message("Please fill in the 'Ticker' field ", msgbox::kCritical, "Pelorin", msgbox::kOk)
        .click("ButCancel");
    dialog.Show(ShowMode::Modal);
    host.verify();
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].title, "Pelorin");
    EXPECT_EQ(dialog.log.back(), "ButCancel_Click");
}

TEST_F(HeadlessHostTest, AMessageBoxOtherThanScriptedIsReported) {
    message_on_ok("Corvel");
    host.click("ButOK").message("Please fill in the 'Expiry' field ", msgbox::kCritical, "Corvel",
                                msgbox::kOk);
    EXPECT_THAT(
        mismatch_of_show(),
        HasSubstr("message box \"Please fill in the 'Ticker' field \" with style 16 (critical, OK) titled "
                  "\"Corvel\" appeared instead"));
}

TEST_F(HeadlessHostTest, AMessageBoxWhereTheScriptClicksIsReported) {
    message_on_ok("Corvel");
    host.click("ButOK").click("ButCancel");
    EXPECT_THAT(mismatch_of_show(), HasSubstr("appeared where script step 2 (click ButCancel) is next"));
}

TEST_F(HeadlessHostTest, AnAnswerThatIsNoButtonOfTheBoxIsReported) {
    message_on_ok("Corvel");
    host.click("ButOK").answer(msgbox::kRetry);
    EXPECT_THAT(mismatch_of_show(), HasSubstr("the answer is not one of the buttons"));
}

TEST_F(HeadlessHostTest, AScriptedMessageThatNeverAppearsIsReported) {
    host.answer(msgbox::kOk);
    EXPECT_THAT(mismatch_of_show(),
                HasSubstr("is next, but no message box appeared: frmSample waits for the user"));
}

TEST_F(HeadlessHostTest, StepsLeftOverAreReportedByVerify) {
    host.click("ButOK").click("ButCancel");
    dialog.Show(ShowMode::Modal);
    try {
        host.verify();
        FAIL() << "no mismatch";
    } catch (const ScriptMismatch& e) {
        EXPECT_STREQ(e.what(),
                     "script step 2 (click ButCancel) was never reached: no dialog was waiting for it");
    }
}

TEST_F(HeadlessHostTest, ExpectingADialogHiddenWhileItIsShownIsReported) {
    host.expect_hidden("frmSample");
    EXPECT_EQ(mismatch_of_show(),
              "script step 1 (expect frmSample hidden) is next, but frmSample is still shown");
}

}  // namespace
}  // namespace corvel::forms
