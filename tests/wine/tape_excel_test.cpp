// The tape dialog working Excel through the binding, against the test Excel: what it writes arrives in
// the workbook as Excel would hold it, and the calls into Excel do not grow with the workbook.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/excel/excel_application.h"
#include "tests/ui/tape/tape_fixture.h"
#include "tests/wine/test_excel/test_excel.h"

namespace corvel::tape_test {
namespace {

class ComApartment {
  public:
    ComApartment() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { ::CoUninitialize(); }
};

class TapeThroughExcel : public TapeTest {
  protected:
    void open_in_excel(const workbook::QuotesWorkbookBuilder& builder) {
        excel = builder.build();
        test_excel_app = test_excel::make_application(excel, log);
        pelorin->ExcelApplication(win32::make_excel_application(test_excel_app.get()));
    }

    ComApartment apartment;
    std::shared_ptr<test_excel::CallLog> log = std::make_shared<test_excel::CallLog>();
    win32::com_ptr<IDispatch> test_excel_app;
};

TEST_F(TapeThroughExcel, ATapeInsertedThroughExcelIsItsRowLinkAndLaidOutArea) {
    open_in_excel(
        three_stocks().stock("=cmd|' /C calc'!A0").tape({"IBM", "=TWS_Quotes!$J$6", "", "Sheet2!Q3:R22"}));
    fakes.host
        ->inspect([&](forms::Form&) {
            EXPECT_EQ(dialog().VSFExcel.Rows(), 5);
            EXPECT_EQ(dialog().VSFExcel.TextMatrix(4, 0), "=cmd|' /C calc'!A0");
        })
        .select_row("VSFExcel", 2)
        .inspect([&](forms::Form&) {
            EXPECT_EQ(tape_list(), std::vector<std::string>{"IBM|=TWS_Quotes!$J$6||Sheet2!Q3:R22"});
        })
        .type("txtAddress", "Sheet2!B3:C22")
        .click("ButInsertNew")
        .select_row("VSFExcel", 4)
        .type("txtAddress", "'Sheet2'!E3:F22")
        .click("ButInsertNew")
        .click("ButCancel");
    EXPECT_EQ(show(), "CLOSE");
    const auto table = sheet("Ticker_tape_settings");
    EXPECT_EQ(text("Ticker_tape_settings", "A5"), "IBM");
    EXPECT_EQ(text("Ticker_tape_settings", "B5"), "=TWS_Quotes!$J$6");
    EXPECT_EQ(text("Ticker_tape_settings", "D5"), "Sheet2!B3:C22");
    EXPECT_EQ(table->Range("A5:D5")->Interior()->ColorIndex(), 15);
    // A ticker that looks like a formula arrives as text, and so does a location in quotes.
    EXPECT_EQ(table->value_at(6, 1), Variant("=cmd|' /C calc'!A0"));
    EXPECT_EQ(table->value_at(6, 4), Variant("'Sheet2'!E3:F22"));
    EXPECT_EQ(sheet("Sheet2")->value_at(3, 6), Variant("=cmd|' /C calc'!A0"));
    EXPECT_EQ(text("Sheet2", "B3"), "Local Time");
    EXPECT_EQ(sheet("Sheet2")->Range("B3:C22")->Borders(workbook::xlEdgeTop)->LineStyle(),
              workbook::xlDashDotDot);
    EXPECT_TRUE(excel->ScreenUpdating());
    EXPECT_EQ(excel->ActiveSheet()->Name(), "Sheet2");
}

struct Phases {
    std::int64_t open = 0, select = 0, insert = 0, lookups = 0;
};

class TapeCallsThroughExcel : public TapeThroughExcel {
  protected:
    Phases run(int rows, int tapes) {
        workbook::QuotesWorkbookBuilder builder;
        for (int r = 0; r < rows; ++r)
            builder.stock("S" + std::to_string(r));
        for (int t = 0; t < tapes; ++t) {
            builder.tape({"T" + std::to_string(t), "=TWS_Quotes!$J$" + std::to_string(5 + t % rows), "",
                          "Tapes!A" + std::to_string(1 + 30 * t) + ":B" + std::to_string(20 + 30 * t)});
        }
        log->clear();
        open_in_excel(builder.sheet("Sheet2").sheet("Tapes").active_sheet("Sheet2"));
        Phases phases;
        fakes.host
            ->inspect([&](forms::Form&) {
                phases.open = log->calls;
                log->calls = 0;
            })
            .select_row("VSFExcel", 2)
            .inspect([&](forms::Form&) {
                phases.select = log->calls;
                log->calls = 0;
            })
            .type("txtAddress", "Sheet2!B3:C22")
            .click("ButInsertNew")
            .inspect([&](forms::Form&) {
                phases.insert = log->calls;
                phases.lookups = log->name_lookups;
            })
            .click("ButCancel");
        EXPECT_EQ(show(), "CLOSE");
        EXPECT_EQ(text("Ticker_tape_settings", ("A" + std::to_string(4 + tapes)).c_str()), "S1");
        return phases;
    }
};

TEST_F(TapeCallsThroughExcel, TheCallsIntoExcelAreTheSameForFewAndManyRows) {
    const Phases few = run(3, 4);
    pelorin = std::make_unique<cPelorin>(fakes.environment());
    const Phases many = run(150, 200);
    EXPECT_GT(few.open, 0);
    EXPECT_EQ(many.open, few.open);
    EXPECT_EQ(many.select, few.select);
    EXPECT_EQ(many.insert, few.insert);
    // Each member name is looked up once per object type, however many calls use it.
    EXPECT_EQ(many.lookups, few.lookups);
    EXPECT_LT(few.lookups, 60);
}

}  // namespace
}  // namespace corvel::tape_test
