#include <gtest/gtest.h>

#include "seams/message_box.h"
#include "seams/workbook/excel_constants.h"
#include "tests/ui/tape/tape_fixture.h"
#include "ui/services/frm_error_message.h"

namespace corvel::tape_test {
namespace {

using namespace workbook;

class RangeAddresses : public TapeTest {};

TEST_F(RangeAddresses, SplittingIntersectingAndSizingFollowTheSheetAndTheFieldChoice) {
    open(three_stocks().sheet("My Sheet"));
    look([&](frmAddRibbon& d) {
        std::string sheet, address;
        d.ReturnNameSheetAndAddress(sheet, address, "B3:D10");
        EXPECT_EQ(sheet + "|" + address, "TWS_Quotes|B3:D10");
        d.ReturnNameSheetAndAddress(sheet, address, "Data!B3");
        EXPECT_EQ(sheet + "|" + address, "Data|B3");
        d.ReturnNameSheetAndAddress(sheet, address, "a!b!c");
        EXPECT_EQ(sheet + "|" + address, "a|b!c");

        EXPECT_EQ(d.myIntersect("Sheet1", "B2:D5", "sheet1", "C4:F9"), "$C$4:$D$5");
        EXPECT_EQ(d.myIntersect("Sheet1", "B2:D5", "Sheet2", "C4:F9"), "");
        EXPECT_EQ(d.myIntersect("Sheet1", "B2:D5", "Sheet1", "F9"), "");
        EXPECT_EQ(d.myIntersect("Sheet1", "no address", "Sheet1", "F9"), "") << "and no report";
        EXPECT_EQ(d.ColumnAddress("TWS_Bid_Price"), "$L:$L");

        EXPECT_EQ(d.ReturnColumnsCount(), 2) << "last price without its size";
        EXPECT_FALSE(d.ChechAddressRange("Sheet2!B3:C4"));
        EXPECT_TRUE(d.ChechAddressRange("Sheet2!B3:C5"));
        d.chkLastSize.Value(forms::CheckBox::kChecked);
        EXPECT_EQ(d.ReturnColumnsCount(), 3);
        EXPECT_FALSE(d.ChechAddressRange("Sheet2!B3:C5"));

        EXPECT_EQ(d.CheckAddressIntersect("Sheet2!A1:Z99"), "") << "no tapes yet";
        for (const auto& [typed, shown] : {std::pair{"Sheet2!B3", "Sheet2!B3:D22"},
                                           {"Sheet2!B3:B10", "Sheet2!B3:D10"},
                                           {"'My Sheet'!$c$5", "'My Sheet'!C5:E24"},
                                           {"B3", "B3:D22"},
                                           {"Sheet9!B3", ""},
                                           {"", ""}}) {
            d.DataBeginning(typed);
            EXPECT_EQ(d.txtAddress.Text(), shown) << typed;
        }
    });
    EXPECT_EQ(fakes.host->messages().size(), 0u);
}

TEST_F(RangeAddresses, TheLinkIsWhereTheSymbolsRowMeetsTheFieldsColumn) {
    open(three_stocks());
    excel->active_workbook()->add_name("TWS_Bid_Price", "=TWS_Quotes!$E$4");
    fakes.host->click("OptBidPrice")
        .inspect([&](forms::Form&) {
            std::string row;
            EXPECT_EQ(dialog().GivMyLink(row), "$E$5");
            EXPECT_EQ(row, "$A$5:$S$5");
        })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
}

class TapeWriter : public TapeTest {
  protected:
    // Inserts a tape at `location` with "Insert && new", so the dialog stays for the next one.
    void insert_at(const std::string& location) {
        fakes.host->type("txtAddress", location).click("ButInsertNew");
    }
};

TEST_F(TapeWriter, RowsWithAnOddNumberAreFilledTheOthersLeftAsTheyAre) {
    open(three_stocks()
             .tape({"IBM 1", "=TWS_Quotes!$J$6", "", "Sheet2!Q3:R22"})
             .tape({"IBM 2", "=TWS_Quotes!$K$6", "", "Sheet2!T3:U22"})
             .tape({"IBM 3", "=TWS_Quotes!$L$6", "", "Sheet2!W3:X22"})
             .tape({"IBM 4", "=TWS_Quotes!$M$6", "", "Sheet2!Z3:AA22"}));
    insert_at("Sheet2!B3:C22");
    insert_at("Sheet2!E3:F22");
    fakes.host->click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    const auto table = sheet("Ticker_tape_settings");
    EXPECT_EQ(text("Ticker_tape_settings", "D8"), "Sheet2!B3:C22");
    EXPECT_EQ(table->Range("A8:D8")->Interior()->ColorIndex(), xlColorIndexNone);
    EXPECT_EQ(text("Ticker_tape_settings", "D9"), "Sheet2!E3:F22");
    EXPECT_EQ(table->Range("A9:D9")->Interior()->ColorIndex(), 15);
    EXPECT_EQ(table->Range("E9")->Interior()->ColorIndex(), xlColorIndexNone) << "four cells only";
}

TEST_F(TapeWriter, AFieldWithoutSizeWritesNoSizeHeader) {
    open(three_stocks());
    fakes.host->click("OptHigh").click("chkAddName");
    insert_at("Sheet2!B3:C22");
    fakes.host->click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_EQ(text("Ticker_tape_settings", "A4"), "MSFT(high)");
    EXPECT_EQ(text("Ticker_tape_settings", "B4"), "=TWS_Quotes!$P$5");
    EXPECT_EQ(text("Ticker_tape_settings", "C4"), "");
    EXPECT_EQ(text("Sheet2", "B3"), "Local Time");
    EXPECT_EQ(text("Sheet2", "C3"), "MSFT(high)");
    EXPECT_EQ(text("Sheet2", "D3"), "");
    EXPECT_EQ(sheet("Sheet2")->Range("B1:C1")->ColumnWidth(), 10.0);
    EXPECT_EQ(sheet("Sheet2")->Range("D1")->ColumnWidth(), MemoryWorksheet::kStandardWidth);
    EXPECT_EQ(sheet("Sheet2")->Range("B3:C22")->Borders(xlEdgeRight)->LineStyle(), xlDashDotDot);
}

TEST_F(TapeWriter, AnEmptiedCellBelowTheTableDoesNotLeaveAGap) {
    open(three_stocks().tape({"IBM", "=TWS_Quotes!$J$6", "", "Sheet2!Q3:R22"}));
    const auto table = sheet("Ticker_tape_settings");
    table->Range("A30")->Value("old");
    table->Range("A30")->Value(Variant());
    insert_at("Sheet2!B3:C22");
    fakes.host->click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_EQ(text("Ticker_tape_settings", "A5"), "MSFT");
}

TEST_F(TapeWriter, ALocationOnASheetWhoseNameNeedsQuotesIsLaidOut) {
    open(three_stocks().sheet("My Sheet"));
    fakes.host->click("ButGetAddress");
    EXPECT_EQ(show(), "DATABEGINNING");
    pelorin->RefEditInputs("'My Sheet'!$B$3");
    fakes.host->click("ButInsert").expect_hidden("frmAddRibbon");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_EQ(text("Ticker_tape_settings", "D4"), "'My Sheet'!B3:C22");
    EXPECT_EQ(text("My Sheet", "B3"), "Local Time");
    EXPECT_EQ(sheet("My Sheet")->Range("B3:C22")->Borders(xlEdgeBottom)->ColorIndex(), 16);
}

TEST_F(TapeWriter, WithoutTapeTableLoadingAndInsertingAreReportedAndTheUsersViewKept) {
    open(three_stocks().without_tape_table());
    expect_report_and_abort("in Pelorin.frmAddRibbon.LoadFGChart");  // collecting the tapes of MSFT
    expect_report_and_abort("in Pelorin.frmAddRibbon.LoadFGChart");  // and of IBM
    fakes.host
        ->inspect([&](forms::Form&) {
            EXPECT_EQ(dialog().VSFExcel.Rows(), 4) << "the symbol table loads all the same";
            EXPECT_EQ(dialog().VSFChart.Rows(), 1);
        })
        .type("txtAddress", "Sheet2!B3:C22")
        .click("ButInsert");
    expect_report_and_abort("in Pelorin.frmAddRibbon.AddSymbolToSheet");
    fakes.host->inspect([&](forms::Form&) { EXPECT_EQ(dialog().txtAddress.Text(), "Sheet2!B3:C22"); })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE") << "left by Cancel: the failed insert kept the dialog open";
    EXPECT_EQ(text("Sheet2", "B3"), "") << "no tape area without its table row";
    EXPECT_TRUE(excel->ScreenUpdating());
    EXPECT_EQ(excel->ActiveSheet()->Name(), "Sheet2");
    EXPECT_TRUE(errors.call_stack().empty());
}

// An insert is whole or not at all: a failure while the tape is written removes what was written
// (the tape table's row and the tape's entry in the list), so the same location can be inserted
// again once the workbook is mended.
class FailedInsert : public TapeWriter {
  protected:
    void SetUp() override {
        TapeWriter::SetUp();
        open(three_stocks().tape({"IBM", "=TWS_Quotes!$J$6", "", "Sheet2!Q3:R22"}));
    }
    // Nothing of the MSFT tape on row 5 of the tape table, nor in the list of tapes.
    void expect_no_msft_tape(const char* location = "Sheet2!B3:C22") {
        for (const char* cell : {"A5", "B5", "C5", "D5"})
            EXPECT_EQ(text("Ticker_tape_settings", cell), "") << cell;
        EXPECT_EQ(sheet("Ticker_tape_settings")->Range("A5:D5")->Interior()->ColorIndex(), xlColorIndexNone);
        EXPECT_EQ(dialog().cLinkAddresseses()->Count(), 1) << "only the group of IBM's tape";
        EXPECT_EQ(tape_list(), std::vector<std::string>{});
        EXPECT_EQ(dialog().txtAddress.Text(), location) << "the definition stays for correction";
    }
    void expect_msft_tape() {
        EXPECT_EQ(text("Ticker_tape_settings", "A5"), "MSFT");
        EXPECT_EQ(text("Ticker_tape_settings", "B5"), "=TWS_Quotes!$J$5");
        EXPECT_EQ(text("Ticker_tape_settings", "D5"), "Sheet2!B3:C22");
        EXPECT_EQ(sheet("Ticker_tape_settings")->Range("A5:D5")->Interior()->ColorIndex(), 15);
        EXPECT_EQ(text("Sheet2", "B3"), "Local Time");
        EXPECT_EQ(text("Sheet2", "C3"), "MSFT");
        EXPECT_EQ(sheet("Sheet2")->Range("B3:C22")->Borders(xlEdgeTop)->LineStyle(), xlDashDotDot);
    }
    void expect_users_view() {
        EXPECT_EQ(excel->ActiveSheet()->Name(), "Sheet2");
        EXPECT_TRUE(excel->ScreenUpdating());
        EXPECT_TRUE(errors.call_stack().empty());
    }
};

TEST_F(FailedInsert, AnAreaThatCannotBeLaidOutLeavesNothingAndTheSameLocationGoesInOnceMended) {
    sheet("Sheet2")->protect(MemoryWorksheet::Protection::Everything);
    insert_at("Sheet2!B3:C22");
    expect_report_and_abort("in Pelorin.frmAddRibbon.ColorSelectRange");
    fakes.host
        ->inspect([&](forms::Form&) {
            expect_no_msft_tape();
            sheet("Sheet2")->protect(MemoryWorksheet::Protection::None);
        })
        .click("ButInsertNew")
        .inspect([&](forms::Form&) {
            EXPECT_EQ(tape_list(), std::vector<std::string>{"MSFT|=TWS_Quotes!$J$5||Sheet2!B3:C22"});
        })
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    expect_msft_tape();
    expect_users_view();
}

TEST_F(FailedInsert, AHalfLaidOutAreaGetsBackWhatItHeldAndRetryFinishesTheInsert) {
    const auto area = sheet("Sheet2");
    area->Range("B3")->Value("mine");
    area->Range("C3")->FormulaLocal("=A1");
    area->protect(MemoryWorksheet::Protection::FormatsOnly);  // its header texts go in, its widths do not
    fakes.host->type("txtAddress", "Sheet2!B3:C22").click("ButInsert");
    expect_report("in Pelorin.frmAddRibbon.ColorSelectRange", "btnIgnore");
    fakes.host
        ->inspect(
            [&](forms::Form&) {
                expect_no_msft_tape();
                EXPECT_EQ(text("Sheet2", "B3"), "mine");
                EXPECT_EQ(text("Sheet2", "C3"), "=A1");
            },
            "frmAddRibbon")  // one report: an ignored step ends the insert
        .click("ButInsert");
    expect_report("in Pelorin.frmAddRibbon.ColorSelectRange", "btnRetry",
                  [&] { area->protect(MemoryWorksheet::Protection::None); });
    fakes.host->expect_hidden("frmAddRibbon");
    EXPECT_EQ(show(), "CLOSE");
    expect_msft_tape();
    EXPECT_EQ(area->Range("B1:C1")->ColumnWidth(), 10.0);
    expect_users_view();
}

TEST_F(FailedInsert, ATapeTableThatCannotBeWrittenLeavesTheAreaAloneAndAsksOnce) {
    const auto table = sheet("Ticker_tape_settings");
    const auto nothing_written = [&] {
        expect_no_msft_tape();
        EXPECT_EQ(text("Sheet2", "B3"), "");
        EXPECT_EQ(sheet("Sheet2")->Range("B1")->ColumnWidth(), MemoryWorksheet::kStandardWidth);
    };
    table->protect(MemoryWorksheet::Protection::Everything);
    fakes.host->type("txtAddress", "Sheet2!B3:C22").click("ButInsert");
    expect_report("in Pelorin.frmAddRibbon.AddSymbolToSheet", "btnIgnore");
    // Its texts go in, the fill of the odd row does not: an abort there takes the texts out again.
    fakes.host->inspect([&](forms::Form&) { nothing_written(); }, "frmAddRibbon")
        .inspect([&](forms::Form&) { table->protect(MemoryWorksheet::Protection::FormatsOnly); })
        .click("ButInsert");
    expect_report_and_abort("in Pelorin.frmAddRibbon.AddSymbolToSheet");
    fakes.host->inspect([&](forms::Form&) { nothing_written(); }, "frmAddRibbon").click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    expect_users_view();
}

// What the tape needs is found before anything is written.
TEST_F(FailedInsert, ALocationThatCannotBeReachedIsFoundOutBeforeWriting) {
    fakes.host->inspect([&](forms::Form&) {
        frmAddRibbon& d = dialog();
        d.txtAddress.Text("Sheet9!B3:C22");
        EXPECT_FALSE(d.AddSymbolToSheet());
        expect_no_msft_tape("Sheet9!B3:C22");
    });
    expect_report_and_abort("in Pelorin.frmAddRibbon.AddSymbolToSheet");
    fakes.host->click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    expect_users_view();
}

// A sheet name may hold a "!" when it is quoted, and a quote when that is doubled; the location is
// split after the closing quote, whether it was picked or typed.
TEST_F(TapeWriter, ASheetNameWithASignOrAQuoteInItSplitsAfterItsClosingQuote) {
    open(three_stocks().sheet("Q!1").sheet("Q!'s").tape({"IBM", "=TWS_Quotes!$J$6", "", "'Q!1'!B3:C22"}));
    fakes.host->click("ButGetAddress");
    EXPECT_EQ(show(), "DATABEGINNING");
    pelorin->RefEditInputs("'Q!''s'!$B$3");
    fakes.host
        ->inspect([&](forms::Form&) {
            frmAddRibbon& d = dialog();
            EXPECT_EQ(d.txtAddress.Text(), "'Q!''s'!B3:C22");
            std::string sheet_name, address;
            d.ReturnNameSheetAndAddress(sheet_name, address, "'Q!1'!B3:C22");
            EXPECT_EQ(sheet_name + "|" + address, "'Q!1'|B3:C22");
        })
        .click("ButInsertNew")
        .type("txtAddress", "'q!1'!C10:D30")
        .click("ButInsertNew")
        .message(
            "The ranges of 'Tape location' and ''Name'=IBM  'Data Range'='Q!1'!B3:C22' intersect with "
            "each other.",
            msgbox::kCritical, "Corvel", msgbox::kOk)
        .type("txtAddress", "'Q!1'!E3:F22")
        .click("ButInsert")
        .expect_hidden("frmAddRibbon");
    EXPECT_EQ(show(), "CLOSE");
    EXPECT_EQ(text("Ticker_tape_settings", "D5"), "'Q!''s'!B3:C22");
    EXPECT_EQ(text("Ticker_tape_settings", "D6"), "'Q!1'!E3:F22");
    EXPECT_EQ(text("Q!'s", "B3"), "Local Time");
    EXPECT_EQ(text("Q!1", "E3"), "Local Time");
    EXPECT_EQ(sheet("Q!1")->Range("E3:F22")->Borders(xlEdgeBottom)->LineStyle(), xlDashDotDot);
    EXPECT_EQ(fakes.host->messages().size(), 1u);
}

}  // namespace
}  // namespace corvel::tape_test

namespace corvel::tape_test {
namespace {

// A ticker or name that looks like a formula is the user's text and stays one: the link is the only
// formula a tape writes.
TEST_F(TapeWriter, TickersThatLookLikeFormulasAreWrittenAsText) {
    const std::vector<std::string> tickers = {
        "=HYPERLINK(\"http://example.com\",\"x\")", "+1+1", "-cmd", "@SUM(A1:A9)", "'quoted", "00123"};
    auto builder = three_stocks();
    for (const auto& ticker : tickers)
        builder.stock(ticker);
    open(builder);
    const std::vector<std::string> locations = {"Sheet2!B3:C22", "Sheet2!E3:F22", "Sheet2!H3:I22",
                                                "Sheet2!K3:L22", "Sheet2!N3:O22", "Sheet2!Q3:R22"};
    for (std::size_t i = 0; i < tickers.size(); ++i) {
        // The new stocks follow the three of the workbook.
        fakes.host->select_row("VSFExcel", static_cast<std::int32_t>(4 + i));
        insert_at(locations[i]);
    }
    fakes.host->click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    const auto table = sheet("Ticker_tape_settings");
    const auto tape_sheet = sheet("Sheet2");
    for (std::size_t i = 0; i < tickers.size(); ++i) {
        const auto row = static_cast<std::int32_t>(4 + i);
        EXPECT_EQ(table->value_at(row, 1), Variant(tickers[i])) << "header in the table, row " << row;
        EXPECT_EQ(table->value_at(row, 4), Variant(locations[i]));
        EXPECT_EQ(table->formula_at(row, 2).rfind("=TWS_Quotes!$", 0), 0u) << table->formula_at(row, 2);
        const auto area = *parse_a1(locations[i].substr(locations[i].find('!') + 1));
        EXPECT_EQ(tape_sheet->value_at(area.top, area.left + 1), Variant(tickers[i])) << "header of the area";
    }
}

TEST_F(FailedInsert, AHalfLaidOutAreaGetsBackItsTextsThatLookLikeFormulasAsTexts) {
    const auto area = sheet("Sheet2");
    area->write_value(CellArea{3, 2, 3, 2}, Variant("'=not a formula"));
    area->write_value(CellArea{3, 3, 3, 3}, Variant("'+nor this"));
    area->protect(MemoryWorksheet::Protection::FormatsOnly);  // its header texts go in, its widths do not
    fakes.host->type("txtAddress", "Sheet2!B3:C22").click("ButInsert");
    expect_report("in Pelorin.frmAddRibbon.ColorSelectRange", "btnIgnore");
    fakes.host
        ->inspect(
            [&](forms::Form&) {
                expect_no_msft_tape();
                EXPECT_EQ(area->value_at(3, 2), Variant("=not a formula"));
                EXPECT_EQ(area->value_at(3, 3), Variant("+nor this"));
            },
            "frmAddRibbon")
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    expect_users_view();
}

}  // namespace
}  // namespace corvel::tape_test
