#include <gtest/gtest.h>

#include "seams/message_box.h"
#include "tests/ui/tape/tape_fixture.h"

namespace corvel::tape_test {
namespace {

using Names = std::vector<std::string>;

class FieldChoice : public TapeTest {};

TEST_F(FieldChoice, OnlyTheFieldsTheWorkbookNamesAreOfferedHighBeforeClose) {
    open(workbook::QuotesWorkbookBuilder().fields({"TWS_High", "TWS_Close"}).stock("MSFT"));
    look([&](frmAddRibbon& d) {
        EXPECT_EQ(enabled(options(d)), (Names{"OptHigh", "OptClose"}));
        EXPECT_TRUE(d.OptHigh.Value());
        EXPECT_EQ(enabled(std::vector<forms::CheckBox*>{&d.chkLastSize, &d.chkBidSize, &d.chkAskSize}),
                  Names{});
        EXPECT_EQ(d.TotalOpt(), 2);
        EXPECT_EQ(d.VSFExcel.RowData(1), "1\r\n$A$5:$K$5");
        EXPECT_TRUE(d.SelectedFields()[7]);
        EXPECT_EQ(d.txtName.ToolTipText(), "Tape header for high");
        EXPECT_EQ(d.txtName.Text(), "MSFT");
    });
}

TEST_F(FieldChoice, APriceWithoutItsSizeColumnOffersNoSize) {
    auto fields = workbook::QuotesWorkbookBuilder::all_fields();
    fields.erase(fields.begin() + 1);  // "TWS_Last_Size"
    open(workbook::QuotesWorkbookBuilder().fields(fields).stock("MSFT"));
    fakes.host->click("OptBidPrice")
        .inspect([&](forms::Form&) { EXPECT_TRUE(dialog().chkBidSize.Enabled()); })
        .click("OptLastPrice")
        .inspect([&](forms::Form&) {
            EXPECT_FALSE(dialog().chkLastSize.Enabled());
            EXPECT_FALSE(dialog().chkBidSize.Enabled());
            EXPECT_EQ(dialog().txtName.ToolTipText(), "Tape header for last price");
        })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
}

TEST_F(FieldChoice, LeavingAPriceForAFieldWithoutSizeEmptiesTheSizeHeader) {
    open(three_stocks());
    fakes.host->click("OptAskPrice")
        .click("chkAskSize")
        .click("chkAddName")
        .inspect([&](forms::Form&) {
            EXPECT_EQ(dialog().txtName.Text(), "MSFT(ask price)");
            EXPECT_EQ(dialog().txtNameSize.Text(), "MSFT(ask size)");
        })
        .click("OptHigh")
        .inspect([&](forms::Form&) {
            const frmAddRibbon& d = dialog();
            EXPECT_EQ(d.txtName.Text(), "MSFT(high)");
            EXPECT_EQ(d.txtNameSize.Text(), "");
            EXPECT_FALSE(d.txtNameSize.Enabled());
            EXPECT_EQ(d.txtNameSize.ToolTipText(), "Tape header for ...");
            EXPECT_FALSE(d.chkAskSize.Enabled());
        })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
}

TEST_F(FieldChoice, WithoutACompleteRowFieldClicksFromCodeChangeNeitherRecordNorHeaders) {
    open(three_stocks());
    fakes.host->select_row("VSFExcel", 3)
        .inspect([&](forms::Form&) {
            frmAddRibbon& d = dialog();
            const auto recorded = d.SelectedFields();
            const std::string header = d.txtName.Text();
            d.OptHigh.Enabled(true);
            d.OptHigh.Value(true);
            EXPECT_EQ(d.SelectedFields(), recorded);
            EXPECT_EQ(d.txtName.Text(), header);
        })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
}

// The checks run in order, each with its message and the focus in the box to correct.
TEST_F(FieldChoice, InsertChecksEachFieldInTurnAndPutsTheFocusWhereTheFaultIs) {
    open(three_stocks());
    const auto refused = [&](const std::string& message, forms::TextBox frmAddRibbon::*box) {
        fakes.host->click("ButInsert")
            .message(message, msgbox::kCritical, "Corvel", msgbox::kOk)
            .inspect([this, box](forms::Form&) { EXPECT_TRUE((dialog().*box).has_focus()); });
    };
    fakes.host->type("txtName", "");
    refused("Please fill in the 'Tape header for last price' field ", &frmAddRibbon::txtName);
    fakes.host->type("txtName", "MSFT").click("chkLastSize").type("txtNameSize", "");
    refused("Please fill in the 'Tape header for last size' field ", &frmAddRibbon::txtNameSize);
    fakes.host->type("txtNameSize", "MSFT size");
    refused("Please fill in the 'Tape location' field ", &frmAddRibbon::txtAddress);
    fakes.host->type("txtAddress", "B3:D22");
    refused("You must select Sheet name for the Range", &frmAddRibbon::txtAddress);
    fakes.host->type("txtAddress", "Sheet9!B3:D22");
    refused("Range Address Error", &frmAddRibbon::txtAddress);
    fakes.host->type("txtAddress", "Sheet2!B3:C4");
    refused("Error: 'Tape location'  = 'Sheet2!B3:C4'. The range must be row>=3 and Column>=3",
            &frmAddRibbon::txtAddress);
    fakes.host->type("txtAddress", "Sheet2!B3:D5").click("ButInsert").expect_hidden("frmAddRibbon");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_EQ(text("Ticker_tape_settings", "A4"), "MSFT");
    EXPECT_EQ(text("Ticker_tape_settings", "C4"), "MSFT size");
    EXPECT_EQ(text("Ticker_tape_settings", "B4"), "=TWS_Quotes!$J$5");
}

// A tape without a link would never fill: a field whose column lies beyond the symbol's row (its 9
// contract columns and one per field the workbook names), or no field at all, is refused.
TEST_F(FieldChoice, AFieldOutsideTheSymbolsRowOrNoFieldAtAllIsRefused) {
    open(workbook::QuotesWorkbookBuilder().fields({"TWS_High", "TWS_Close"}).stock("MSFT").sheet("Sheet2"));
    excel->active_workbook()->add_name("TWS_High", "=TWS_Quotes!$Z$4");
    fakes.host->type("txtAddress", "Sheet2!B3:C22")
        .click("ButInsert")
        .message("The column of 'TWS_High' lies outside the symbol's range 'TWS_Quotes!$A$5:$K$5'",
                 msgbox::kCritical, "Corvel", msgbox::kOk)
        .inspect([&](forms::Form&) {
            EXPECT_TRUE(dialog().OptHigh.has_focus());
            EXPECT_EQ(text("Ticker_tape_settings", "A4"), "");
            EXPECT_EQ(text("Sheet2", "B3"), "");
        })
        .click("OptClose")
        .click("ButInsert")
        .expect_hidden("frmAddRibbon");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_EQ(text("Ticker_tape_settings", "B4"), "=TWS_Quotes!$K$5");

    pelorin->UnloadfrmMaster();
    open(workbook::QuotesWorkbookBuilder().fields({}).stock("MSFT").sheet("Sheet2"));
    fakes.host
        ->inspect([&](forms::Form&) {
            EXPECT_EQ(enabled(options(dialog())), Names{});
            EXPECT_TRUE(dialog().ButInsert.Enabled()) << "a complete row enables the buttons";
        })
        .type("txtAddress", "Sheet2!B3:C22")
        .click("ButInsert")
        .message("You must select one of the Available fields", msgbox::kCritical, "Corvel", msgbox::kOk)
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_EQ(text("Ticker_tape_settings", "A4"), "");
}

TEST_F(FieldChoice, ALocationOverlappingATapeNamesThatTape) {
    open(three_stocks()
             .tape({"AdditionalInformation1", "=TWS_Quotes!$J$6", "", "'My Sheet'!F3:G22"})
             .sheet("My Sheet"));
    fakes.host->type("txtAddress", "'my sheet'!G10:H30")
        .click("ButInsert")
        .message(
            "The ranges of 'Tape location' and ''Name'=AdditionalInformation1  'Data Range'='My "
            "Sheet'!F3:G22' "
            "intersect with each other.",
            msgbox::kCritical, "Corvel", msgbox::kOk)
        .type("txtAddress", "Sheet2!G10:H30")
        .click("ButInsertNew")
        .inspect(
            [&](forms::Form&) { EXPECT_EQ(dialog().txtAddress.Text(), "") << "inserted: another sheet"; })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
}

}  // namespace
}  // namespace corvel::tape_test
