#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "common/app_settings.h"
#include "platform/memory/memory_application.h"
#include "platform/memory/memory_workbook.h"
#include "platform/memory/memory_worksheet.h"
#include "tests/support/quotes_workbook_builder.h"
#include "tests/support/ui_fakes.h"
#include "ui/entry/pelorin.h"
#include "ui/services/error_handler.h"
#include "ui/services/frm_error_message.h"

namespace corvel::tape_test {

// The tape builder as the add-in reaches it: through `cPelorin`, handed an in-memory workbook, with the
// library's error handler set-up and a scripted user.
class TapeTest : public ::testing::Test {
  protected:
    fakes::UiFakes fakes;
    std::unique_ptr<cPelorin> pelorin = std::make_unique<cPelorin>(fakes.environment());
    CErrorHandler& errors = pelorin->error_handler();
    std::shared_ptr<workbook::MemoryApplication> excel;

    // A workbook with three stocks (the third without exchange), every field, and tapes of its own.
    static workbook::QuotesWorkbookBuilder three_stocks() {
        return workbook::QuotesWorkbookBuilder()
            .stock("MSFT")
            .stock("IBM")
            .stock("XYZ", "", "USD")
            .sheet("Sheet2")
            .active_sheet("Sheet2");
    }
    void open(const workbook::QuotesWorkbookBuilder& builder) {
        excel = builder.build();
        pelorin->ExcelApplication(excel);
    }

    // Shows the dialog as the add-in does and checks the script was played to its end.
    std::string show() {
        const std::string result = pelorin->ShowRefEditInterface();
        fakes.host->verify();
        return result;
    }
    frmAddRibbon& dialog() const { return *pelorin->tape_dialog(); }
    // Opens the dialog, runs `check` on it as the user sees it, and leaves with "Cancel".
    void look(std::function<void(frmAddRibbon&)> check) {
        fakes.host->inspect([this, check](forms::Form&) { check(dialog()); }).click("ButCancel");
        EXPECT_EQ(show(), "CLOSE");
    }
    // The error dialog comes next, and its report holds `text`; the user aborts.
    void expect_report_and_abort(std::string text) { expect_report(std::move(text), "btnAbort"); }
    // The error dialog comes next, and its report holds `text`; `meanwhile` runs while it is shown
    // (the user mends the workbook), then the user clicks `button` ("btnRetry", "btnIgnore", ...).
    void expect_report(std::string text, const std::string& button, std::function<void()> meanwhile = {}) {
        fakes.host
            ->inspect(
                [text, meanwhile](forms::Form& form) {
                    const std::string& report = static_cast<frmErrorMessage&>(form).ErrorMessage();
                    EXPECT_NE(report.find(text), std::string::npos) << report;
                    if (meanwhile) meanwhile();
                },
                "frmErrorMessage")
            .click("frmErrorMessage." + button);
    }
    static std::vector<forms::OptionButton*> options(frmAddRibbon& d) {
        return {&d.OptLastPrice, &d.OptBidPrice, &d.OptAskPrice, &d.OptHigh,
                &d.OptLow,       &d.OptClose,    &d.OptVolume};
    }
    // The names of the enabled ones among `controls`.
    template <class Control>
    static std::vector<std::string> enabled(const std::vector<Control*>& controls) {
        std::vector<std::string> names;
        for (const Control* control : controls) {
            if (control->Enabled()) names.push_back(control->Name());
        }
        return names;
    }
    std::shared_ptr<workbook::MemoryWorksheet> sheet(const char* name) const {
        return excel->active_workbook()->sheet(name);
    }
    // The text of a cell of a sheet ("Ticker_tape_settings", "B7"), or its formula.
    std::string text(const char* sheet_name, const char* cell) const {
        return sheet(sheet_name)->Range(cell)->FormulaLocal();
    }
    // The rows of the tape list, one string per row: its four columns joined by "|".
    std::vector<std::string> tape_list() const {
        std::vector<std::string> rows;
        const auto& grid = dialog().VSFChart;
        for (std::int32_t r = 1; r < grid.Rows(); ++r) {
            rows.push_back(grid.TextMatrix(r, 0) + "|" + grid.TextMatrix(r, 1) + "|" + grid.TextMatrix(r, 2) +
                           "|" + grid.TextMatrix(r, 3));
        }
        return rows;
    }
};

}  // namespace corvel::tape_test
