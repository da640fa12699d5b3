// The calls into the workbook when the tape dialog opens, when a symbol is selected and when a tape is
// inserted do not grow with the symbol rows or the tapes: each is a round trip into Excel.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/counting_workbook.h"
#include "tests/ui/tape/tape_fixture.h"

namespace corvel::tape_test {
namespace {

struct PhaseCalls {
    std::int64_t open = 0;
    std::int64_t select = 0;
    std::int64_t insert = 0;
    std::int64_t block_reads = 0;
};

class TapeCalls : public TapeTest {
  protected:
    // Opens the dialog on `rows` symbols and `tapes` tapes linking into them, selects the second
    // symbol and inserts a tape for it, counting the calls of each step.
    PhaseCalls run(int rows, int tapes) {
        workbook::QuotesWorkbookBuilder builder;
        for (int r = 0; r < rows; ++r)
            builder.stock("S" + std::to_string(r));
        for (int t = 0; t < tapes; ++t) {
            builder.tape({"T" + std::to_string(t), "=TWS_Quotes!$J$" + std::to_string(5 + t % rows), "",
                          "Tapes!A" + std::to_string(1 + 30 * t) + ":B" + std::to_string(20 + 30 * t)});
        }
        excel = builder.sheet("Sheet2").sheet("Tapes").active_sheet("Sheet2").build();
        pelorin->ExcelApplication(workbook::counting_application(excel, calls));
        PhaseCalls phase;
        fakes.host
            ->inspect([&](forms::Form&) {
                phase.open = calls->total;
                phase.block_reads = static_cast<std::int64_t>(excel->block_reads());
                calls->clear();
            })
            .select_row("VSFExcel", 2)
            .inspect([&](forms::Form&) {
                phase.select = calls->total;
                calls->clear();
            })
            .type("txtAddress", "Sheet2!B3:C22")
            .click("ButInsertNew")
            .inspect([&](forms::Form&) {
                phase.insert = calls->total;
                std::size_t second_symbols = 1;  // the new one
                for (int t = 0; t < tapes; ++t)
                    second_symbols += t % rows == 1 ? 1 : 0;
                EXPECT_EQ(tape_list().size(), second_symbols) << "the second symbol's tapes and the new one";
            })
            .click("ButCancel");
        EXPECT_EQ(show(), "CLOSE");
        EXPECT_EQ(text("Ticker_tape_settings", "D" + std::to_string(4 + tapes)), "Sheet2!B3:C22");
        return phase;
    }

    std::string text(const char* sheet_name, const std::string& cell) const {
        return TapeTest::text(sheet_name, cell.c_str());
    }

    std::shared_ptr<workbook::WorkbookCalls> calls = std::make_shared<workbook::WorkbookCalls>();
};

TEST_F(TapeCalls, OpeningSelectingAndInsertingCostTheSameCallsForFewAndManyRows) {
    const PhaseCalls few = run(3, 4);
    fakes.host->verify();
    // A second dialog on a larger workbook, from a new library object.
    pelorin = std::make_unique<cPelorin>(fakes.environment());
    calls->clear();
    const PhaseCalls many = run(60, 90);
    EXPECT_GT(few.open, 0);
    EXPECT_EQ(many.open, few.open);
    EXPECT_EQ(many.select, few.select);
    EXPECT_EQ(many.insert, few.insert);
    // The contract table and the tape table, one block read each (the tape table's values and links).
    EXPECT_EQ(few.block_reads, 3);
    EXPECT_EQ(many.block_reads, 3);
}

}  // namespace
}  // namespace corvel::tape_test
