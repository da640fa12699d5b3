#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "common/app_settings.h"
#include "common/error_handler.h"
#include "common/frm_error_message.h"
#include "platform/workbook/memory_application.h"
#include "platform/workbook/memory_workbook.h"
#include "platform/workbook/memory_worksheet.h"
#include "platform/workbook/quotes_workbook_builder.h"
#include "tests/support/ui_fakes.h"
#include "ui/tape/tape_builder.h"

namespace corvel::tape_test {

// The tape builder as the entry class runs it, on an in-memory workbook, with the library's error
// handler set-up and a scripted user. The fixture is the owner the dialog reaches the workbook
// through.
class TapeTest : public ::testing::Test, public TapeOwner {
  protected:
    fakes::UiFakes fakes;
    std::shared_ptr<CErrorHandler> errors = std::make_shared<CErrorHandler>(fakes.environment());
    std::shared_ptr<CAppSettings> settings = std::make_shared<CAppSettings>(fakes.registry, "Pelorin");
    std::shared_ptr<workbook::MemoryApplication> excel;
    // The application as the owner hands it to the dialog.
    std::shared_ptr<workbook::Application> application;
    TapeBuilder tapes{fakes.environment(), errors, settings, *this};

    void SetUp() override {
        errors->Init(8, "Error Log.txt", true, false, 2, "Tracing Log.txt");
        settings->Init("HALVARD", "Corvel");
    }

    const std::shared_ptr<workbook::Application>& m_ObjExcelApplication() const override { return application; }

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
        application = excel;
    }

    // Shows the dialog as the add-in does and checks the script was played to its end.
    std::string show() {
        const std::string result = tapes.ShowRefEditInterface();
        fakes.host->verify();
        return result;
    }
    frmAddRibbon& dialog() const { return *tapes.dialog(); }
    // Opens the dialog, runs `check` on it as the user sees it, and leaves with "Cancel".
    void look(std::function<void(frmAddRibbon&)> check) {
        fakes.host->inspect([this, check](forms::Form&) { check(dialog()); }).click("ButCancel");
        EXPECT_EQ(show(), "CLOSE");
    }
    // The error dialog comes next, and its report holds `text`; the user aborts.
    void expect_report_and_abort(std::string text) {
        fakes.host
            ->inspect(
                [text](forms::Form& form) {
                    const std::string& report = static_cast<frmErrorMessage&>(form).ErrorMessage();
                    EXPECT_NE(report.find(text), std::string::npos) << report;
                },
                "frmErrorMessage")
            .click("frmErrorMessage.btnAbort");
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
