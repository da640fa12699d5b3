#include "ui/tape/tape_undo.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_application.h"
#include "platform/memory/memory_workbook.h"
#include "platform/memory/memory_worksheet.h"
#include "seams/workbook/excel_constants.h"

namespace corvel {
namespace {

class TapeUndoTest : public ::testing::Test {
  protected:
    std::shared_ptr<workbook::MemoryApplication> excel = std::make_shared<workbook::MemoryApplication>();
    std::shared_ptr<workbook::MemoryWorksheet> sheet = excel->add_workbook("Book1")->add_sheet("Sheet1");
    std::shared_ptr<cLinkAddresseses> tapes = std::make_shared<cLinkAddresseses>();

    // A tape entry as the dialog enters one.
    void enter(std::string_view group, std::string_view key, std::string_view location) {
        tapes->ItemADD(group)->ItemADD(key)->DataRange(location);
    }
};

TEST_F(TapeUndoTest, CellsGetBackTheirValuesFormulasAndFills) {
    sheet->Range("A1")->Value(12.5);
    sheet->Range("B1")->FormulaLocal("=A1*2");
    sheet->Range("C1")->Interior()->ColorIndex(6);
    {
        TapeUndo undo;
        undo.cells(*sheet->Range("A1:D1"));
        sheet->Range("A1:D1")->Value("tape");
        sheet->Range("A1:D1")->Interior()->ColorIndex(15);
    }
    EXPECT_EQ(sheet->Range("A1")->Value().single().number(), 12.5) << "a number stays a number";
    EXPECT_EQ(sheet->Range("B1")->FormulaLocal(), "=A1*2");
    EXPECT_EQ(sheet->Range("C1")->Interior()->ColorIndex(), 6);
    EXPECT_TRUE(sheet->Range("D1")->Value().single().is_empty());
    EXPECT_EQ(sheet->Range("D1")->Interior()->ColorIndex(), workbook::xlColorIndexNone);
}

TEST_F(TapeUndoTest, ANewEntryGoesAgainAndAnEntryThatWasThereGetsItsOldLocation) {
    enter("$A$5:$S$5", "MSFT=TWS_Quotes!$J$5", "Sheet2!B3:C22");
    {
        TapeUndo undo;
        undo.entry(tapes, "$a$5:$s$5", "MSFT=TWS_Quotes!$J$5");
        undo.entry(tapes, "$A$5:$S$5", "MSFT=TWS_Quotes!$K$5");
        undo.entry(tapes, "$A$6:$S$6", "IBM=TWS_Quotes!$J$6");
        enter("$A$5:$S$5", "MSFT=TWS_Quotes!$J$5", "Sheet2!E3:F22");
        enter("$A$5:$S$5", "MSFT=TWS_Quotes!$K$5", "Sheet2!H3:I22");
        enter("$A$6:$S$6", "IBM=TWS_Quotes!$J$6", "Sheet2!K3:L22");
    }
    ASSERT_EQ(tapes->Count(), 1) << "the group that came with the insert goes with it";
    const auto group = tapes->Item("$A$5:$S$5");
    ASSERT_EQ(group->Count(), 1);
    EXPECT_EQ(group->Item(1)->DataRange(), "Sheet2!B3:C22");
}

}  // namespace
}  // namespace corvel
