#include <gtest/gtest.h>

#include "tests/support/automation_error_of.h"
#include "tests/ui/tape/tape_fixture.h"

namespace corvel::tape_test {
namespace {

class TapeMembers : public TapeTest {
  protected:
    void SetUp() override { open(three_stocks()); }
};

TEST_F(TapeMembers, TheDialogLivesOnBetweenShowingsUntilItIsUnloaded) {
    fakes.host->click("ButCancel");
    show();
    frmAddRibbon* first = pelorin->tape_dialog();
    sheet("TWS_Quotes")->Range("A8")->Value("AAPL");
    sheet("TWS_Quotes")->Range("B8")->Value("STK");
    look([&](frmAddRibbon& d) {
        EXPECT_EQ(&d, first);
        EXPECT_EQ(d.VSFExcel.Rows(), 4);
    });
    pelorin->UnloadfrmMaster();
    EXPECT_EQ(pelorin->tape_dialog(), nullptr);
    look(
        [&](frmAddRibbon& d) { EXPECT_EQ(d.VSFExcel.Rows(), 5) << "a new dialog reads the workbook again"; });
}

TEST_F(TapeMembers, UnloadingDropsWhatTheDialogHeld) {
    pelorin->UnloadfrmMaster();  // before any showing: nothing to do
    const long settings_holders = pelorin->app_settings().use_count();
    fakes.host->click("ButCancel");
    show();
    const std::weak_ptr<cLinkAddresseses> collection = dialog().cLinkAddresseses();
    ASSERT_FALSE(collection.expired());
    EXPECT_GT(pelorin->app_settings().use_count(), settings_holders);
    pelorin->UnloadfrmMaster();
    EXPECT_TRUE(collection.expired());
    EXPECT_EQ(pelorin->app_settings().use_count(), settings_holders);
    pelorin->UnloadfrmMaster();
}

TEST_F(TapeMembers, ThePickedLocationGoesInAndComesBackSizedToTheTape) {
    fakes.host->click("ButGetAddress");
    EXPECT_EQ(show(), "DATABEGINNING");
    pelorin->RefEditInputs("Sheet2!$B$3");
    EXPECT_EQ(pelorin->RefEditInputs(), "Sheet2!B3:C22");
    pelorin->UnloadfrmMaster();
    EXPECT_EQ(fakes::automation_error_of([&] { (void)pelorin->RefEditInputs(); }).number(), 91);
}

TEST_F(TapeMembers, AFailureReachingShowRefEditInterfaceBecomesTheComponentFailure) {
    fakes.host
        ->inspect([&](forms::Form&) {
            const auto failure = fakes::automation_error_of([&] { pelorin->ShowRefEditInterface(); });
            EXPECT_EQ(failure.code(), 0x80040064u) << "the dialog is already on show";
            EXPECT_EQ(failure.source(), "Pelorin.cPelorin.ShowRefEditInterface");
            EXPECT_EQ(failure.description(), "cPelorin component failure");
        })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
}

TEST_F(TapeMembers, WithoutAnApplicationTheDialogReportsOnceAndCanBeLeft) {
    pelorin->ExcelApplication(nullptr);
    expect_report_and_abort("Object variable or With block variable not set");
    fakes.host
        ->inspect([&](forms::Form&) { EXPECT_EQ(enabled(options(dialog())), std::vector<std::string>{}); })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
}

TEST_F(TapeMembers, ReleasingTheEntryObjectDropsTheTapeDialog) {
    fakes.host->click("ButCancel");
    show();
    const std::weak_ptr<cLinkAddresseses> collection = dialog().cLinkAddresseses();
    pelorin.reset();
    EXPECT_TRUE(collection.expired());
}

}  // namespace
}  // namespace corvel::tape_test
