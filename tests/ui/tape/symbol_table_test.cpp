#include <gtest/gtest.h>

#include "seams/message_box.h"
#include "tests/ui/tape/tape_fixture.h"
#include "ui/services/frm_error_message.h"

namespace corvel::tape_test {
namespace {

using Names = std::vector<std::string>;
using Rows = std::vector<std::string>;

class SymbolTable : public TapeTest {};

TEST_F(SymbolTable, AQuotesSheetWithoutSymbolRowsGivesEmptyListsAndNoFieldChoice) {
    open(workbook::QuotesWorkbookBuilder());
    look([&](frmAddRibbon& d) {
        EXPECT_EQ(d.VSFExcel.Rows(), 1);
        EXPECT_EQ(d.VSFChart.Rows(), 1);
        EXPECT_EQ(enabled(options(d)), Names{});
        EXPECT_EQ(enabled(std::vector<forms::Control*>{
                      &d.chkLastSize, &d.chkBidSize, &d.chkAskSize, &d.txtName, &d.txtNameSize, &d.txtAddress,
                      &d.chkAddName, &d.ButGetAddress, &d.ButInsert, &d.ButInsertNew}),
                  Names{});
        EXPECT_EQ(d.txtNameSize.ToolTipText(), "Tape header for ...");
    });
    EXPECT_TRUE(excel->ScreenUpdating());
}

TEST_F(SymbolTable, AnIncompleteRowIsListedButDisablesTheChoiceAndTheRecordedChoiceComesBack) {
    open(three_stocks().tape({"IBM", "=TWS_Quotes!$J$6", "", "Sheet2!B3:C22"}));
    fakes.host->click("OptAskPrice")
        .click("chkAskSize")
        .select_row("VSFExcel", 3)
        .inspect([&](forms::Form&) {
            frmAddRibbon& d = dialog();
            EXPECT_EQ(d.VSFExcel.TextMatrix(3, 0), "XYZ");
            EXPECT_EQ(enabled(options(d)), Names{});
            EXPECT_FALSE(d.ButInsert.Enabled());
            EXPECT_FALSE(d.txtName.Enabled());
            EXPECT_EQ(d.VSFChart.Rows(), 1) << "the tape list is emptied";
        })
        .select_row("VSFExcel", 2)
        .inspect([&](forms::Form&) {
            frmAddRibbon& d = dialog();
            EXPECT_EQ(enabled(options(d)).size(), 7u);
            EXPECT_TRUE(d.OptAskPrice.Value());
            EXPECT_TRUE(d.chkAskSize.Enabled());
            EXPECT_EQ(d.chkAskSize.Value(), forms::CheckBox::kChecked);
            EXPECT_EQ(d.txtName.Text(), "IBM");
            EXPECT_EQ(d.txtNameSize.Text(), "IBM");
            EXPECT_TRUE(d.ButInsert.Enabled());
            EXPECT_EQ(tape_list(), Rows{"IBM|=TWS_Quotes!$J$6||Sheet2!B3:C22"});
        })
        .select_row("VSFExcel", 0)
        .inspect([&](forms::Form&) {
            EXPECT_EQ(dialog().txtName.Text(), "IBM") << "the header row selects nothing";
            EXPECT_EQ(tape_list().size(), 1u);
        })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
}

// The header row carries no row data: no symbol. Selecting it leaves the choice as it was, so the
// buttons stay on, but neither insert writes anything until a symbol row is selected again.
TEST_F(SymbolTable, TheHeaderRowSelectsNoSymbolSoInsertRefusesUntilARowIs) {
    open(three_stocks());
    const auto refused = [&](const char* button) {
        fakes.host->click(button)
            .message("You must select a symbol in the Portfolio", msgbox::kCritical, "Corvel", msgbox::kOk)
            .inspect([&](forms::Form&) {
                EXPECT_TRUE(dialog().VSFExcel.has_focus());
                EXPECT_EQ(dialog().txtAddress.Text(), "Sheet2!B3:C22") << "the definition stays";
                EXPECT_EQ(text("Ticker_tape_settings", "A4"), "");
                EXPECT_EQ(text("Sheet2", "B3"), "");
            });
    };
    fakes.host->select_row("VSFExcel", 0)
        .inspect([&](forms::Form&) {
            EXPECT_TRUE(dialog().ButInsert.Enabled());
            EXPECT_TRUE(dialog().ButInsertNew.Enabled());
        })
        .type("txtAddress", "Sheet2!B3:C22");
    refused("ButInsert");
    refused("ButInsertNew");
    fakes.host->select_row("VSFExcel", 2).click("ButInsert").expect_hidden("frmAddRibbon");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_EQ(text("Ticker_tape_settings", "A4"), "IBM");
    EXPECT_EQ(text("Ticker_tape_settings", "B4"), "=TWS_Quotes!$J$6");
    EXPECT_EQ(text("Sheet2", "B3"), "Local Time");
}

TEST_F(SymbolTable, ARowSpansTheContractAndTheFieldColumnsAndIsReadInOneBlock) {
    open(workbook::QuotesWorkbookBuilder()
             .fields({"TWS_Bid_Price", "TWS_Bid_Size", "TWS_Ask_Price", "TWS_Ask_Size"})
             .stock("MSFT")
             .stock("IBM"));
    look([&](frmAddRibbon& d) {
        EXPECT_EQ(d.TotalOpt(), 4);
        EXPECT_EQ(d.VSFExcel.RowData(1), "1\r\n$A$5:$M$5");
        EXPECT_EQ(d.VSFExcel.RowData(2), "1\r\n$A$6:$M$6");
    });
    EXPECT_EQ(excel->block_reads(), 1u);
}

TEST_F(SymbolTable, AnEmptiedCellBelowTheDataDoesNotAddRows) {
    open(three_stocks());
    const auto quotes = sheet("TWS_Quotes");
    quotes->Range("A40")->Value("left over");
    quotes->Range("A40")->Value(Variant());
    look([&](frmAddRibbon& d) {
        EXPECT_EQ(d.VSFExcel.Rows(), 4);
        EXPECT_EQ(d.GotoLastCell("TWS_Quotes", "A1"), "S7")
            << "the last row and the last column holding data";
        EXPECT_EQ(d.GotoLastCell("Nowhere", "B2"), "B2") << "a sheet that is not there gives the start cell";
        EXPECT_EQ(excel->ActiveSheet()->Name(), "Sheet2");
    });
}

TEST_F(SymbolTable, ExistingTapesAreCollectedPerRowWithTheLastOfTwoAlikeWinning) {
    open(workbook::QuotesWorkbookBuilder()
             .fields({"TWS_High", "TWS_Close"})
             .stock("MSFT")
             .stock("IBM")
             .tape({"MSFT", "=TWS_Quotes!$J$5", "", "Sheet2!B3:C22"})
             .tape({"MSFT", "=TWS_Quotes!$J$5", "size", "Sheet2!E3:F22"})
             .tape({"No location", "=TWS_Quotes!$K$5", "", ""})
             .tape({"Too far right", "=TWS_Quotes!$L$5", "", "Sheet2!H3:I22"})
             .tape({"Other sheet", "=Sheet2!$J$5", "", "Sheet2!K3:L22"})
             .tape({"Lower case", "=tws_quotes!$k$5", "", "Sheet2!N3:O22"})
             .sheet("Sheet2"));
    fakes.host
        ->inspect([&](forms::Form&) {
            EXPECT_EQ(tape_list(), (Rows{"MSFT|=TWS_Quotes!$J$5|size|Sheet2!E3:F22",
                                         "Lower case|=tws_quotes!$k$5||Sheet2!N3:O22"}));
            // A group whose address differs only in letter case is the same row.
            const auto typed = dialog().cLinkAddresseses()->ItemADD("$a$6:$k$6")->ItemADD("typed");
            typed->Name("Typed");
        })
        .select_row("VSFExcel", 2)
        .inspect([&](forms::Form&) { EXPECT_EQ(tape_list(), Rows{"Typed|||"}); })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
}

TEST_F(SymbolTable, TheCloseBoxHidesTheDialogKeepsItsStateAndStoresItsPlacement) {
    open(three_stocks());
    fakes.host->click("OptAskPrice").close_box().expect_hidden("frmAddRibbon");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_TRUE(dialog().Loaded());
    EXPECT_EQ(
        fakes.registry
            ->value_names(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\Windows settings\\frmAddRibbon")
            .size(),
        9u);

    sheet("TWS_Quotes")->Range("A8")->Value("AAPL");
    fakes.host
        ->inspect([&](forms::Form&) {
            EXPECT_EQ(dialog().VSFExcel.Rows(), 4) << "nothing reloads the quotes sheet";
            EXPECT_TRUE(dialog().OptAskPrice.Value());
        })
        .close_box();
    EXPECT_EQ(show(), "CLOSE");
}

TEST_F(SymbolTable, AFailureWhileLoadingIsReportedAndTheUsersViewIsPutBack) {
    open(three_stocks());
    excel->active_workbook()->add_name("TWS_Symbol", "=Nowhere!$A$4");
    expect_report_and_abort("in Pelorin.frmAddRibbon.LoadTable");
    fakes.host->inspect([&](forms::Form&) { EXPECT_EQ(dialog().VSFExcel.Rows(), 1); }).click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_TRUE(excel->ScreenUpdating()) << "an aborted load leaves the screen redrawing";
    EXPECT_EQ(excel->ActiveSheet()->Name(), "Sheet2");
    EXPECT_TRUE(errors.call_stack().empty());
}

// The person answers the load's failure Ignore, then Retry once the workbook is mended: ignoring goes
// on with the next steps of the load without a symbol table to read, retrying reads it.
TEST_F(SymbolTable, AFailureWhileLoadingAnsweredIgnoreOrRetry) {
    open(three_stocks());
    const std::string symbols = *excel->active_workbook()->refers_to("TWS_Symbol");
    excel->active_workbook()->add_name("TWS_Symbol", "=Nowhere!$A$4");
    expect_report("in Pelorin.frmAddRibbon.LoadTable", "btnIgnore");
    // Each later step of the load that needs the table finds it missing, and says so.
    expect_report("Error: 91, (Object variable or With block variable not set)", "btnIgnore");
    expect_report("Error: 13, (Type mismatch)", "btnIgnore");
    expect_report("Error: 380, (Invalid property value)", "btnIgnore");  // no row to make current
    fakes.host->inspect([&](forms::Form&) { EXPECT_EQ(dialog().VSFExcel.Rows(), 1); }).click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_TRUE(excel->ScreenUpdating());
    pelorin->UnloadfrmMaster();
    expect_report("in Pelorin.frmAddRibbon.LoadTable", "btnRetry",
                  [&] { excel->active_workbook()->add_name("TWS_Symbol", symbols); });
    fakes.host->inspect([&](forms::Form&) { EXPECT_EQ(dialog().VSFExcel.Rows(), 4); }).click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_TRUE(errors.call_stack().empty());
}

}  // namespace
}  // namespace corvel::tape_test
