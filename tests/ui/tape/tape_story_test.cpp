#include <gtest/gtest.h>

#include "seams/workbook/excel_constants.h"
#include "tests/ui/tape/tape_fixture.h"

namespace corvel::tape_test {
namespace {

using Rows = std::vector<std::string>;
using namespace workbook;

// The whole story: a quotes workbook with three stocks (the third without exchange) and three tapes
// of its own. The user opens the tape dialog, chooses bid price with its size and the field names,
// leaves to pick the tape location on Sheet2, comes back, inserts, sees the new tape listed and
// closes; the workbook holds the new tape row and the laid-out tape area.
class TapeStory : public TapeTest {
  protected:
    void SetUp() override {
        TapeTest::SetUp();
        open(three_stocks()
                 .tape({"MSFT", "=TWS_Quotes!$J$5", "", "Sheet2!F3:G22"})
                 .tape({"IBM(high)", "=TWS_Quotes!$P$6", "", "Sheet2!J3:K22"})
                 .tape({"MSFT(close)", "=TWS_Quotes!$S$5", "", "Sheet2!M3:N22"}));
    }
};

TEST_F(TapeStory, ATapeIsDefinedPickedInsertedAndListedAtOnce) {
    fakes.host
        ->inspect([&](forms::Form&) {
            const frmAddRibbon& d = dialog();
            EXPECT_EQ(d.Caption(), "Add new tape for ticker");
            ASSERT_EQ(d.VSFExcel.Rows(), 4) << "a header row and the three symbol rows";
            EXPECT_EQ(d.VSFExcel.TextMatrix(1, 0), "MSFT");
            EXPECT_EQ(d.VSFExcel.TextMatrix(2, 0), "IBM");
            EXPECT_EQ(d.VSFExcel.TextMatrix(2, 6), "SMART");
            EXPECT_EQ(d.VSFExcel.TextMatrix(3, 8), "USD");
            EXPECT_EQ(d.VSFExcel.RowData(1), "1\r\n$A$5:$S$5") << "9 contract and 10 field columns";
            EXPECT_EQ(d.VSFExcel.RowData(3), "0\r\n$A$7:$S$7") << "XYZ has no exchange";
            EXPECT_EQ(d.VSFExcel.Row(), 1);
            EXPECT_EQ(tape_list(), (Rows{"MSFT|=TWS_Quotes!$J$5||Sheet2!F3:G22",
                                         "MSFT(close)|=TWS_Quotes!$S$5||Sheet2!M3:N22"}));
            EXPECT_TRUE(d.OptLastPrice.Value()) << "the first field present is chosen";
            EXPECT_EQ(d.txtName.Text(), "MSFT");
            EXPECT_EQ(d.TotalOpt(), 10);
        })
        .click("OptBidPrice")
        .click("chkBidSize")
        .click("chkAddName")
        .inspect([&](forms::Form&) {
            const frmAddRibbon& d = dialog();
            EXPECT_EQ(d.txtName.Text(), "MSFT(bid price)");
            EXPECT_EQ(d.txtName.ToolTipText(), "Tape header for bid price");
            EXPECT_EQ(d.txtNameSize.Text(), "MSFT(bid size)");
            EXPECT_EQ(d.txtNameSize.ToolTipText(), "Tape header for bid size");
            EXPECT_FALSE(d.chkLastSize.Enabled());
        })
        .click("ButGetAddress")
        .expect_hidden("frmAddRibbon");
    EXPECT_EQ(show(), "DATABEGINNING");

    pelorin->RefEditInputs("Sheet2!$B$3");
    fakes.host->inspect([&](forms::Form&) { EXPECT_EQ(dialog().txtAddress.Text(), "Sheet2!B3:D22"); })
        .click("ButInsertNew")
        .inspect([&](forms::Form&) {
            EXPECT_EQ(tape_list(), (Rows{"MSFT|=TWS_Quotes!$J$5||Sheet2!F3:G22",
                                         "MSFT(close)|=TWS_Quotes!$S$5||Sheet2!M3:N22",
                                         "MSFT(bid price)|=TWS_Quotes!$L$5|MSFT(bid size)|Sheet2!B3:D22"}));
            EXPECT_EQ(dialog().txtAddress.Text(), "");
        })
        .click("ButCancel")
        .expect_hidden("frmAddRibbon");
    EXPECT_EQ(show(), "CLOSE");

    // The new row of the tape table, below the three that were there.
    EXPECT_EQ(text("Ticker_tape_settings", "A7"), "MSFT(bid price)");
    EXPECT_EQ(text("Ticker_tape_settings", "B7"), "=TWS_Quotes!$L$5");
    EXPECT_EQ(text("Ticker_tape_settings", "C7"), "MSFT(bid size)");
    EXPECT_EQ(text("Ticker_tape_settings", "D7"), "Sheet2!B3:D22");
    EXPECT_EQ(sheet("Ticker_tape_settings")->Range("A7:D7")->Interior()->ColorIndex(), 15) << "row 7 is odd";
    EXPECT_EQ(sheet("Ticker_tape_settings")->Range("A1")->ColumnWidth(), 22.0)
        << "columns fitted to their text";

    // The tape area.
    EXPECT_EQ(text("Sheet2", "B3"), "Local Time");
    EXPECT_EQ(text("Sheet2", "C3"), "MSFT(bid price)");
    EXPECT_EQ(text("Sheet2", "D3"), "MSFT(bid size)");
    const auto area = sheet("Sheet2")->Range("B3:D22");
    EXPECT_EQ(area->ColumnWidth(), 10.0);
    EXPECT_EQ(sheet("Sheet2")->Range("E1")->ColumnWidth(), MemoryWorksheet::kStandardWidth);
    for (const std::int32_t edge : {xlEdgeLeft, xlEdgeTop, xlEdgeBottom, xlEdgeRight}) {
        EXPECT_EQ(area->Borders(edge)->LineStyle(), xlDashDotDot) << edge;
        EXPECT_EQ(area->Borders(edge)->Weight(), xlThin) << edge;
        EXPECT_EQ(area->Borders(edge)->ColorIndex(), 16) << edge;
    }
    for (const std::int32_t inner : {xlInsideVertical, xlInsideHorizontal, xlDiagonalDown, xlDiagonalUp}) {
        EXPECT_EQ(area->Borders(inner)->LineStyle(), xlNone) << inner;
    }

    // The user is back where they were, with a screen that redraws.
    EXPECT_EQ(excel->ActiveSheet()->Name(), "Sheet2");
    EXPECT_TRUE(excel->ScreenUpdating());
    EXPECT_TRUE(errors.call_stack().empty());
}

}  // namespace
}  // namespace corvel::tape_test
