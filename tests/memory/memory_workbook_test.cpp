#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "common/automation_error.h"
#include "platform/memory/memory_application.h"
#include "platform/memory/memory_range.h"
#include "platform/memory/memory_workbook.h"
#include "platform/memory/memory_worksheet.h"
#include "tests/support/quotes_workbook_builder.h"

namespace corvel::workbook {
namespace {

// A workbook with the sheets "Sheet1" (active), "Sheet2" and "My Sheet", and a few names.
class MemoryWorkbookTest : public ::testing::Test {
  protected:
    std::shared_ptr<MemoryApplication> excel = std::make_shared<MemoryApplication>();
    std::shared_ptr<MemoryWorkbook> book = excel->add_workbook("Book1");
    std::shared_ptr<MemoryWorksheet> sheet1 = book->add_sheet("Sheet1");
    std::shared_ptr<MemoryWorksheet> sheet2 = book->add_sheet("Sheet2");
    std::shared_ptr<MemoryWorksheet> my_sheet = book->add_sheet("My Sheet");

    void SetUp() override {
        book->add_name("TWS_Bid_Price", "=Sheet2!$E$4");
        book->add_name("Whole", "=Sheet2!$B$3:$D$22");
    }
    static const MemoryRange& memory(const std::shared_ptr<Range>& range) {
        return dynamic_cast<const MemoryRange&>(*range);
    }
    std::string where(std::string_view text) const {
        const auto range = excel->Range(text);
        return range->Worksheet()->Name() + "!" + range->Address();
    }
    static std::int32_t error_number(const std::function<void()>& call) {
        try {
            call();
        } catch (const AutomationError& e) {
            return e.number();
        }
        return 0;
    }
};

TEST_F(MemoryWorkbookTest, RangeTextsResolveAsTheApplicationResolvesThem) {
    EXPECT_EQ(where("B3"), "Sheet1!$B$3") << "unqualified addresses lie on the active sheet";
    EXPECT_EQ(where("b3:d22"), "Sheet1!$B$3:$D$22");
    EXPECT_EQ(where("$E:$E"), "Sheet1!$E:$E");
    EXPECT_EQ(where("5:5"), "Sheet1!$5:$5");
    EXPECT_EQ(where("Sheet2!B3:D22"), "Sheet2!$B$3:$D$22");
    EXPECT_EQ(where("sheet2!B3"), "Sheet2!$B$3") << "sheet names ignore letter case";
    EXPECT_EQ(where("'My Sheet'!A1"), "My Sheet!$A$1");
    EXPECT_EQ(where("tws_bid_price"), "Sheet2!$E$4") << "names ignore letter case and lie where they point";
    EXPECT_EQ(where("Sheet2!Whole"), "Sheet2!$B$3:$D$22") << "a name qualified by its own sheet";
}

TEST_F(MemoryWorkbookTest, TextsThatResolveToNothingRaise) {
    for (const char* text :
         {"", "Nowhere", "Sheet9!A1", "Sheet1!Whole", "My Sheet!A1", "'My Sheet!A1", "A1,B2"}) {
        EXPECT_EQ(error_number([&] { excel->Range(text); }), kErrObjectModel) << text;
    }
    EXPECT_EQ(error_number([&] { excel->Worksheets("Sheet9"); }), 9);
    EXPECT_EQ(error_number([&] { sheet1->Range("TWS_Bid_Price"); }), kErrObjectModel)
        << "a sheet resolves only names that lie on it";
    EXPECT_EQ(sheet2->Range("TWS_Bid_Price")->Address(), "$E$4");
}

TEST_F(MemoryWorkbookTest, CellsResizeAndCountsWorkFromTheTopLeftCell) {
    const auto block = excel->Range("B3:D22");
    EXPECT_EQ(block->Cells(2, 1)->Address(), "$B$4");
    EXPECT_EQ(block->Cells(30, 5)->Address(), "$F$32") << "beyond the range";
    EXPECT_EQ(block->Cells(0, 0)->Address(), "$A$2");
    EXPECT_EQ(error_number([&] { block->Cells(-5, 1); }), kErrObjectModel);
    EXPECT_EQ(block->Resize(1, 13)->Address(false, false), "B3:N3");
    EXPECT_EQ(error_number([&] { block->Resize(0, 1); }), kErrObjectModel);
    EXPECT_EQ(block->Row(), 3);
    EXPECT_EQ(block->Column(), 2);
    EXPECT_EQ(block->Rows()->Count(), 20);
    EXPECT_EQ(block->Columns()->Count(), 3);
    EXPECT_EQ(block->Count(), 60);
    EXPECT_EQ(block->EntireColumn()->Address(), "$B:$D");
    EXPECT_EQ(excel->Columns(5)->Address(), "$E:$E");
}

TEST_F(MemoryWorkbookTest, IntersectGivesTheCommonCellsOrNothing) {
    EXPECT_EQ(excel->Intersect(*excel->Range("B2:D5"), *excel->Range("C4:F9"))->Address(), "$C$4:$D$5");
    EXPECT_EQ(excel->Intersect(*excel->Range("$A$5:$M$5"), *excel->Columns(5))->Address(), "$E$5");
    EXPECT_EQ(excel->Intersect(*excel->Range("A1"), *excel->Range("B2")), nullptr);
    EXPECT_EQ(error_number([&] { excel->Intersect(*excel->Range("A1"), *excel->Range("Sheet2!A1")); }),
              kErrObjectModel);
}

TEST_F(MemoryWorkbookTest, ValuesReadAsOneCellOrAsABlock) {
    excel->Range("A1")->Value("MSFT");
    excel->Range("B1")->Value(std::int32_t{100});
    excel->Range("B2")->Value("");
    EXPECT_FALSE(excel->Range("A1")->Value().is_block());
    EXPECT_EQ(excel->Range("A1")->Value().single(), Variant("MSFT"));
    const RangeValue block = excel->Range("A1:B2")->Value();
    ASSERT_TRUE(block.is_block());
    EXPECT_EQ(block.rows(), 2);
    EXPECT_EQ(block(1, 2), Variant(100.0)) << "numbers are kept as doubles";
    EXPECT_TRUE(block(2, 2).is_empty()) << "an empty text leaves the cell empty";
    EXPECT_EQ(error_number([&] { block(3, 1); }), 9);
    EXPECT_EQ(excel->block_reads(), 1u);
}

TEST_F(MemoryWorkbookTest, FormulasAreKeptAsText) {
    const auto cell = excel->Range("B4");
    cell->FormulaLocal("=TWS_Quotes!$E$5");
    EXPECT_EQ(cell->FormulaLocal(), "=TWS_Quotes!$E$5");
    EXPECT_TRUE(cell->Value().single().is_empty()) << "formulas are not computed";
    cell->Value(12.5);
    EXPECT_EQ(cell->FormulaLocal(), "12.5") << "a constant reads back as its text";
}

// Texts are read as the application reads what is typed: "=" (or "+", "-", "@" before anything but a
// number) makes a formula, and a leading apostrophe keeps the rest as text.
TEST_F(MemoryWorkbookTest, TextsGivenToValueAreReadAsTyped) {
    const auto cell = excel->Range("C2");
    for (const auto& [given, formula] :
         {std::pair{"=A1+1", "=A1+1"}, {"+A1", "=+A1"}, {"-cmd", "=-cmd"}, {"@SUM(A1:A3)", "=@SUM(A1:A3)"}}) {
        cell->Value(given);
        EXPECT_EQ(cell->FormulaLocal(), formula) << given;
        EXPECT_TRUE(cell->Value().single().is_empty()) << given << " is a formula, not a value";
    }
    for (const auto& [given, text] : {std::pair{"'=A1+1", "=A1+1"},
                                      {"''quoted", "'quoted"},
                                      {"-12.5", "-12.5"},
                                      {"+3", "+3"},
                                      {"plain", "plain"}}) {
        cell->Value(given);
        EXPECT_EQ(cell->Value().single(), Variant(text)) << given;
    }
    cell->Value("'");
    EXPECT_TRUE(cell->Value().single().is_empty()) << "an apostrophe alone leaves no text";
    cell->FormulaLocal("'=kept as text");
    EXPECT_EQ(cell->Value().single(), Variant("=kept as text"));
}

TEST_F(MemoryWorkbookTest, FillsBordersAndWidthsFormatTheCells) {
    const auto area = sheet2->Range("B3:C22");
    area->Interior()->ColorIndex(15);
    EXPECT_EQ(sheet2->Range("C22")->Interior()->ColorIndex(), 15);
    EXPECT_EQ(sheet2->Range("C22:C23")->Interior()->ColorIndex(), std::nullopt) << "mixed fills";
    EXPECT_EQ(sheet2->Range("C23")->Interior()->ColorIndex(), xlColorIndexNone);

    area->Borders(xlEdgeLeft)->LineStyle(xlDashDotDot);
    area->Borders(xlEdgeLeft)->Weight(xlThin);
    area->Borders(xlEdgeLeft)->ColorIndex(16);
    EXPECT_EQ(area->Borders(xlEdgeLeft)->LineStyle(), xlDashDotDot) << "a weight keeps the line's style";
    EXPECT_EQ(sheet2->Range("A10")->Borders(xlEdgeRight)->ColorIndex(), 16) << "neighbours share the line";
    area->Borders(xlInsideVertical)->Weight(xlThin);
    EXPECT_EQ(area->Borders(xlInsideVertical)->LineStyle(), xlContinuous) << "a weight alone draws a line";
    area->Borders(xlInsideVertical)->LineStyle(xlNone);
    EXPECT_EQ(area->Borders(xlInsideVertical)->LineStyle(), xlNone);
    EXPECT_EQ(sheet2->Range("B3:B4")->Borders(xlEdgeLeft)->LineStyle(), xlDashDotDot);
    EXPECT_EQ(sheet2->Range("B2:B3")->Borders(xlEdgeLeft)->LineStyle(), std::nullopt);
    EXPECT_EQ(error_number([&] { area->Borders(13); }), kErrObjectModel);

    area->ColumnWidth(10);
    EXPECT_EQ(sheet2->Range("B1:C1")->ColumnWidth(), 10.0);
    EXPECT_EQ(sheet2->Range("C1:D1")->ColumnWidth(), std::nullopt);
    sheet2->Range("D7")->Value("Tape header for Ticker");
    sheet2->Range("A1:D1")->EntireColumn()->AutoFit();
    EXPECT_EQ(sheet2->Range("D1")->ColumnWidth(), 22.0);
    EXPECT_EQ(sheet2->Range("B1")->ColumnWidth(), MemoryWorksheet::kStandardWidth)
        << "empty columns fall back";
    EXPECT_EQ(error_number([&] { area->AutoFit(); }), kErrObjectModel) << "only whole columns or rows fit";
}

TEST_F(MemoryWorkbookTest, AProtectedSheetRefusesChangesAndOneWithUnlockedCellsOnlyFormats) {
    sheet2->Range("B3")->Value("kept");
    const auto cell = sheet2->Range("B3");
    const auto area = sheet2->Range("B3:C22");
    const std::vector<std::function<void()>> formats{
        [&] { area->Interior()->ColorIndex(15); },
        [&] { area->Borders(xlEdgeTop)->LineStyle(xlDashDotDot); },
        [&] { area->ColumnWidth(10); },
        [&] { area->EntireColumn()->AutoFit(); },
    };
    sheet2->protect(MemoryWorksheet::Protection::Everything);
    EXPECT_EQ(error_number([&] { cell->Value("changed"); }), kErrObjectModel);
    EXPECT_EQ(error_number([&] { cell->FormulaLocal("=A1"); }), kErrObjectModel);
    for (const auto& change : formats)
        EXPECT_EQ(error_number(change), kErrObjectModel);
    EXPECT_EQ(cell->FormulaLocal(), "kept");
    EXPECT_EQ(error_number([&] { sheet1->Range("A1")->Value(1); }), 0) << "protection is per sheet";

    sheet2->protect(MemoryWorksheet::Protection::FormatsOnly);
    cell->Value("changed");
    EXPECT_EQ(cell->FormulaLocal(), "changed");
    for (const auto& change : formats)
        EXPECT_EQ(error_number(change), kErrObjectModel);
}

TEST_F(MemoryWorkbookTest, TheLastCellRemembersEmptiedCellsWhereFindSeesOnlyContent) {
    EXPECT_EQ(excel->Range("A1")->SpecialCells(xlCellTypeLastCell)->Address(), "$A$1") << "an unused sheet";
    excel->Range("A1")->Value("Ticker");
    excel->Range("D12")->Value("MSFT");
    excel->Range("F3")->FormulaLocal("=A1");
    excel->Range("A40")->Value("marker");
    excel->Range("A40")->Value(Variant());
    const auto last = excel->Range("A1")->SpecialCells(xlCellTypeLastCell);
    EXPECT_EQ(last->Address(false, false), "F40");
    const auto cells = sheet1->Cells();
    EXPECT_EQ(cells->Find("*", XlSearchOrder::xlByRows, XlSearchDirection::xlPrevious)->Address(), "$D$12");
    EXPECT_EQ(cells->Find("*", XlSearchOrder::xlByColumns, XlSearchDirection::xlPrevious)->Address(), "$F$3");
    EXPECT_EQ(cells->Find("msf?", XlSearchOrder::xlByRows, XlSearchDirection::xlNext)->Address(), "$D$12");
    EXPECT_EQ(cells->Find("*", XlSearchOrder::xlByRows, XlSearchDirection::xlNext)->Address(), "$F$3")
        << "the search starts after the first cell";
    EXPECT_EQ(sheet2->Cells()->Find("*", XlSearchOrder::xlByRows, XlSearchDirection::xlPrevious), nullptr);
    sheet1->tidy();
    EXPECT_EQ(excel->Range("A1")->SpecialCells(xlCellTypeLastCell)->Address(false, false), "F12");
}

TEST_F(MemoryWorkbookTest, ScreenUpdatingActivationAndSelectionFollowTheApplication) {
    excel->ScreenUpdating(false);
    EXPECT_FALSE(excel->ScreenUpdating());
    EXPECT_EQ(excel->ActiveSheet()->Name(), "Sheet1");
    EXPECT_EQ(error_number([&] { sheet2->Range("A1")->Select(); }), kErrObjectModel)
        << "only the active sheet's cells can be selected";
    excel->Worksheets("sheet2")->Select();
    EXPECT_EQ(excel->ActiveSheet()->Name(), "Sheet2");
    sheet2->Range("C3")->Select();
    EXPECT_EQ(sheet2->selection(), (CellArea{3, 3, 3, 3}));

    const auto other = excel->add_workbook("Book2");
    other->add_sheet("Data");
    EXPECT_EQ(excel->ActiveWorkbook()->Name(), "Book2");
    EXPECT_EQ(error_number([&] { sheet1->Select(); }), kErrObjectModel) << "its workbook is not active";
    book->Activate();
    EXPECT_EQ(excel->ActiveSheet()->Name(), "Sheet2");
    EXPECT_EQ(excel->screen_updating_history(), (std::vector<bool>{false}));
}

TEST(QuotesWorkbookBuilder, LaysOutTheQuotesSheetAndTheTapeTable) {
    const auto excel = QuotesWorkbookBuilder()
                           .fields({"TWS_High", "TWS_Close"})
                           .stock("MSFT")
                           .stock("IBM", "", "USD")
                           .tape({"MSFT", "=TWS_Quotes!$J$5", "", "Sheet2!B3:C22"})
                           .sheet("Sheet2")
                           .build();
    EXPECT_EQ(excel->ActiveSheet()->Name(), "TWS_Quotes");
    EXPECT_EQ(excel->Range("TWS_Symbol")->Address(), "$A$4");
    EXPECT_EQ(excel->Range("TWS_Close")->Address(), "$K$4");
    EXPECT_EQ(excel->Range("A6:I6")->Value()(1, 7).to_text(), "");
    EXPECT_EQ(excel->Range("Tape_header_for_Ticker")->Cells(2, 2)->FormulaLocal(), "=TWS_Quotes!$J$5");
    EXPECT_EQ(excel->Range("Ticker_tape_settings!A4:D4")->Interior()->ColorIndex(), xlColorIndexNone);
    EXPECT_EQ(excel->Worksheets("Sheet2")->Name(), "Sheet2");
}

}  // namespace
}  // namespace corvel::workbook
