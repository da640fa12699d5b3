#include "ui/entry/pelorin.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

#include "tests/support/automation_error_of.h"
#include "tests/support/ui_fakes.h"
#include "ui/entry/global.h"
#include "ui/entry/pelorin_dispatch.h"

namespace corvel {
namespace {

// The ten flags in the order of `CreateNewProject`'s arguments: AskPrice, AskSize, BidPrice, BidSize,
// ClosePrice, HighTick, LastPrice, LastSize, LowTick, Volume.
using Flags = std::array<std::int16_t, 10>;
constexpr Flags kUntouched{7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
constexpr Flags kAll{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

class PelorinTest : public ::testing::Test {
  protected:
    fakes::UiFakes fakes;
    std::unique_ptr<cPelorin> pelorin = std::make_unique<cPelorin>(fakes.environment());
    Flags flags = kUntouched;

    bool create_new_project(cPelorin& object) {
        Flags& f = flags;
        const bool confirmed =
            object.CreateNewProject(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]);
        fakes.host->verify();
        return confirmed;
    }
    bool create_new_project() { return create_new_project(*pelorin); }
    static const frmNewProject& dialog(forms::Form& form) { return static_cast<frmNewProject&>(form); }
};

TEST_F(PelorinTest, CreationSetsUpTheSharedServicesAsTheLibraryUsesThem) {
    const CErrorHandler& handler = pelorin->error_handler();
    EXPECT_EQ(handler.ErrorHandlerActions(), 8);
    EXPECT_EQ(handler.ErrorLogFile(), "Error Log.txt");
    EXPECT_TRUE(handler.CallStackEnabled());
    EXPECT_FALSE(handler.TracingEnabled());
    EXPECT_EQ(handler.TracingFlags(), 2);
    EXPECT_EQ(handler.TracingLogFile(), "Tracing Log.txt");
    CAppSettings& settings = *pelorin->app_settings();
    EXPECT_EQ(settings.CompanyName(), "HALVARD");
    EXPECT_EQ(settings.AppName(), "Corvel");
    fakes.registry->fail(MemoryRegistry::Op::CreateKey, reg_status::kAccessDenied);
    EXPECT_EQ(fakes::automation_error_of([&] { settings.SaveSetting("S", "K", "v"); }).source(),
              "Pelorin.CAppSetting");
    EXPECT_EQ(pelorin::mGlobal::gErrorHandler().get(), &handler);
    EXPECT_EQ(pelorin::mGlobal::gSettings().get(), &settings);
}

// Each object holds the services, so neither can take them away from the other.
TEST_F(PelorinTest, ASecondObjectSharesTheServicesAndTheyLiveWhileEitherDoes) {
    auto second = std::make_unique<cPelorin>(fakes.environment());
    EXPECT_EQ(&second->error_handler(), &pelorin->error_handler());
    EXPECT_EQ(second->app_settings(), pelorin->app_settings());
    pelorin.reset();
    fakes.host->click("ButCreateProject");
    EXPECT_TRUE(create_new_project(*second));
    EXPECT_NE(pelorin::mGlobal::gErrorHandler(), nullptr);

    fakes::UiFakes elsewhere;
    const cPelorin stranger(elsewhere.environment());
    EXPECT_NE(&stranger.error_handler(), &second->error_handler())
        << "another host gets a handler of its own";
    second.reset();
    EXPECT_EQ(pelorin::mGlobal::gSettings().get(), stranger.app_settings().get());
}

TEST_F(PelorinTest, TheNewProjectDialogOpensAllCheckedAndConfirmsAtOnce) {
    fakes.host
        ->inspect([](forms::Form& form) {
            const frmNewProject& d = dialog(form);
            EXPECT_EQ(d.Caption(), "Choose market data fields for project ");
            const std::vector<const forms::CaptionedControl*> tab_order = {
                &d.chkLastPrice, &d.chkLastSize,   &d.chkBidPrice, &d.chkBidSize,      &d.chkAskPrice,
                &d.chkAskSize,   &d.chkHigh,       &d.chkLow,      &d.chkVolume,       &d.chkClose,
                &d.ButCheckAll,  &d.ButUncheckAll, &d.ButCancel,   &d.ButCreateProject};
            std::string captions;
            for (std::size_t i = 0; i < tab_order.size(); ++i) {
                captions += tab_order[i]->Caption() + "|";
                if (i > 0) {
                    EXPECT_LT(tab_order[i - 1]->TabIndex(), tab_order[i]->TabIndex());
                }
                if (i < 10) {
                    EXPECT_EQ(static_cast<const forms::CheckBox*>(tab_order[i])->Value(), 1);
                }
            }
            EXPECT_EQ(captions,
                      "Last Price|Last Size|Bid Price|Bid Size|Ask Price|Ask Size|High|Low|Volume|Close|"
                      "Check all|Uncheck all|Cancel|Create project|");
        })
        .click("ButCreateProject")
        .expect_hidden("frmNewProject");
    EXPECT_TRUE(create_new_project());
    EXPECT_EQ(flags, kAll);
}

TEST_F(PelorinTest, NothingCheckedIsRefusedUntilABoxIsChecked) {
    fakes.host->click("ButUncheckAll")
        .click("ButCreateProject")
        .message("You must select at least one value!", msgbox::kCritical, "Corvel", msgbox::kOk)
        .inspect([](forms::Form& form) {
            EXPECT_TRUE(form.Visible());
            EXPECT_EQ(dialog(form).chkClose.Value(), 0);
        })
        .click("chkClose")
        .click("ButCreateProject");
    EXPECT_TRUE(create_new_project());
    EXPECT_EQ(flags, (Flags{0, 0, 0, 0, 1, 0, 0, 0, 0, 0}));
}

TEST_F(PelorinTest, CheckAllChecksEveryBoxAgainAndEveryCallStartsAfresh) {
    fakes.host->click("ButUncheckAll").click("ButCheckAll").click("chkVolume").click("chkLastSize");
    fakes.host->click("ButCreateProject");
    EXPECT_TRUE(create_new_project());
    EXPECT_EQ(flags, (Flags{1, 1, 1, 1, 1, 1, 1, 0, 1, 0}));
    fakes.host->click("ButCreateProject");
    EXPECT_TRUE(create_new_project());
    EXPECT_EQ(flags, kAll);
}

TEST_F(PelorinTest, CancelOrTheCloseBoxLeavesTheArgumentsAsPassed) {
    fakes.host->click("ButUncheckAll").click("chkHigh").click("ButCancel").expect_hidden("frmNewProject");
    EXPECT_FALSE(create_new_project());
    EXPECT_EQ(flags, kUntouched);
    fakes.host->click("chkLow").close_box();
    EXPECT_FALSE(create_new_project());
    EXPECT_EQ(flags, kUntouched);
}

// The error handler itself fails (it can neither trace nor log), so the failure leaves the dialog
// procedure and reaches the member.
TEST_F(PelorinTest, AFailureThatReachesADialogMemberBecomesItsComponentFailure) {
    CErrorHandler& handler = pelorin->error_handler();
    handler.TracingEnabled(true);
    handler.ErrorHandlerActions(CErrorHandler::kActionErrorLog);
    fakes.files->unwritable = {"Tracing Log.txt", "Error Log.txt"};

    fakes.host->click("ButCheckAll");
    AutomationError e = fakes::automation_error_of([&] { create_new_project(); });
    EXPECT_EQ(e.code(), 0x80040064u);
    EXPECT_EQ(e.source(), "Pelorin.cPelorin.CreateNewProject");
    EXPECT_EQ(e.description(), "cPelorin component failure");
    EXPECT_EQ(flags, kUntouched);

    std::string symbol = "kept";
    std::string text;
    double number = -1;
    std::int16_t type = 2;
    e = fakes::automation_error_of(
        [&] { pelorin->AddNewSymbol(symbol, text, text, number, text, number, text, text, text, type); });
    EXPECT_EQ(e.code(), 0x80040064u);
    EXPECT_EQ(e.source(), "Pelorin.cPelorin.AddNewSymbol");
    EXPECT_EQ(symbol, "kept");
    EXPECT_EQ(type, 2);
    fakes.host->verify();
}

TEST_F(PelorinTest, TheTapeLocationWithoutATapeDialogIsAClearError) {
    for (const auto& access : std::vector<std::function<void()>>{
             [&] { (void)pelorin->RefEditInputs(); }, [&] { pelorin->RefEditInputs("Sheet2!B3"); }}) {
        const AutomationError e = fakes::automation_error_of(access);
        EXPECT_EQ(e.number(), 91);
        EXPECT_EQ(e.source(), "Pelorin.cPelorin.RefEditInputs");
        EXPECT_NE(e.description().find("ShowRefEditInterface"), std::string::npos) << e.description();
    }
}

TEST(PelorinDispatchTest, TheMembersKeepTheirDispatchIdentifiers) {
    const std::pair<const char*, std::int32_t> expected[] = {
        {"m_ObjExcelApplication", 0x40030003}, {"RefEditInputs", 0x68030001},
        {"ExcelApplication", 0x68030000},      {"CreateNewProject", 0x60030004},
        {"AddNewSymbol", 0x60030005},          {"ShowRefEditInterface", 0x60030006},
        {"UnloadfrmMaster", 0x60030007},
    };
    std::set<std::int32_t> ids;
    for (std::size_t slot = 0; slot < std::size(expected); ++slot) {
        EXPECT_EQ(pelorin::kPelorinMembers[slot].name, expected[slot].first) << "slot " << slot;
        EXPECT_EQ(pelorin::kPelorinMembers[slot].dispid, expected[slot].second) << expected[slot].first;
        ids.insert(pelorin::kPelorinMembers[slot].dispid);
    }
    EXPECT_EQ(ids.size(), pelorin::kPelorinMembers.size());
    EXPECT_EQ(pelorin::find_pelorin_member("addnewsymbol")->dispid, 0x60030005);
    EXPECT_EQ(pelorin::find_pelorin_member("AddSymbol"), nullptr);
}

}  // namespace
}  // namespace corvel
