#include <gtest/gtest.h>

#include "common/frm_error_message.h"
#include "tests/support/automation_error_of.h"
#include "tests/tape/tape_fixture.h"

namespace corvel::tape_test {
namespace {

class TapeMembers : public TapeTest {
  protected:
    void SetUp() override {
        TapeTest::SetUp();
        open(three_stocks());
    }
};

TEST_F(TapeMembers, TheDialogLivesOnBetweenShowingsUntilItIsUnloaded) {
    fakes.host->click("ButCancel");
    show();
    frmAddRibbon* first = tapes.dialog();
    sheet("TWS_Quotes")->Range("A8")->Value("AAPL");
    sheet("TWS_Quotes")->Range("B8")->Value("STK");
    look([&](frmAddRibbon& d) {
        EXPECT_EQ(&d, first);
        EXPECT_EQ(d.VSFExcel.Rows(), 4);
    });
    tapes.UnloadfrmMaster();
    EXPECT_EQ(tapes.dialog(), nullptr);
    look(
        [&](frmAddRibbon& d) { EXPECT_EQ(d.VSFExcel.Rows(), 5) << "a new dialog reads the workbook again"; });
}

TEST_F(TapeMembers, UnloadingDropsWhatTheDialogHeld) {
    tapes.UnloadfrmMaster();  // before any showing: nothing to do
    fakes.host->click("ButCancel");
    show();
    const std::weak_ptr<cLinkAddresseses> collection = dialog().cLinkAddresseses();
    ASSERT_FALSE(collection.expired());
    EXPECT_GT(settings.use_count(), 2);
    tapes.UnloadfrmMaster();
    EXPECT_TRUE(collection.expired());
    EXPECT_EQ(settings.use_count(), 2) << "left to this test and the members";
    tapes.UnloadfrmMaster();
}

TEST_F(TapeMembers, ThePickedLocationGoesInAndComesBackSizedOnlyWhileTheDialogExists) {
    const auto no_dialog = fakes::automation_error_of([&] { tapes.RefEditInputs(); });
    EXPECT_EQ(no_dialog.number(), TapeBuilder::kErrNoTapeDialog);
    EXPECT_EQ(no_dialog.source(), "Pelorin.cPelorin.RefEditInputs");
    EXPECT_EQ(no_dialog.description(), "The tape dialog is not open: call ShowRefEditInterface first");
    EXPECT_EQ(fakes::automation_error_of([&] { tapes.RefEditInputs("Sheet2!B3"); }).number(),
              TapeBuilder::kErrNoTapeDialog);

    fakes.host->click("ButGetAddress");
    EXPECT_EQ(show(), "DATABEGINNING");
    tapes.RefEditInputs("Sheet2!$B$3");
    EXPECT_EQ(tapes.RefEditInputs(), "Sheet2!B3:C22");
}

TEST_F(TapeMembers, AFailureReachingTheMemberBecomesTheComponentFailure) {
    fakes.host
        ->inspect([&](forms::Form&) {
            const auto failure = fakes::automation_error_of([&] { tapes.ShowRefEditInterface(); });
            EXPECT_EQ(failure.code(), 0x80040064u) << "the dialog is already on show";
            EXPECT_EQ(failure.source(), "Pelorin.cPelorin.ShowRefEditInterface");
            EXPECT_EQ(failure.description(), "cPelorin component failure");
        })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
}

TEST_F(TapeMembers, WithoutAnApplicationTheDialogReportsOnceAndCanBeLeft) {
    application.reset();
    expect_report_and_abort("Object variable or With block variable not set");
    fakes.host
        ->inspect([&](forms::Form&) { EXPECT_EQ(enabled(options(dialog())), std::vector<std::string>{}); })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
}

}  // namespace
}  // namespace corvel::tape_test
