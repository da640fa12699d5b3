// Calls into Excel and wall time of the tape dialog working Excel through the binding, against the
// test Excel: opening the dialog, selecting a symbol and inserting a tape, for quotes tables of
// 10, 1 000 and 10 000 contract rows with 1 000 tapes.
//   tape_excel_bench.exe [rows...]     (prints one line per size and step)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/excel/excel_application.h"
#include "tests/support/quotes_workbook_builder.h"
#include "tests/support/ui_fakes.h"
#include "tests/wine/test_excel/test_excel.h"
#include "ui/entry/pelorin.h"

namespace {

using namespace corvel;
using Clock = std::chrono::steady_clock;

constexpr int kTapes = 1000;

struct Step {
    std::int64_t calls = 0;
    double ms = 0;
};

bool run(int rows) {
    workbook::QuotesWorkbookBuilder builder;
    for (int r = 0; r < rows; ++r)
        builder.stock("S" + std::to_string(r));
    for (int t = 0; t < kTapes; ++t) {
        builder.tape({"T" + std::to_string(t), "=TWS_Quotes!$J$" + std::to_string(5 + t % rows), "",
                      "Tapes!A" + std::to_string(1 + 30 * t) + ":B" + std::to_string(20 + 30 * t)});
    }
    const auto memory = builder.sheet("Sheet2").sheet("Tapes").active_sheet("Sheet2").build();
    const auto log = std::make_shared<test_excel::CallLog>();
    const auto excel = test_excel::make_application(memory, log);

    fakes::UiFakes fakes;
    cPelorin pelorin(fakes.environment());
    pelorin.ExcelApplication(win32::make_excel_application(excel.get()));

    Step open, select, insert;
    Clock::time_point mark;
    const auto lap = [&](Step& step) {
        const auto now = Clock::now();
        step.ms = std::chrono::duration<double, std::milli>(now - mark).count();
        step.calls = log->calls;
        log->calls = 0;
        mark = Clock::now();
    };
    fakes.host->inspect([&](forms::Form&) { lap(open); })
        .select_row("VSFExcel", 2)
        .inspect([&](forms::Form&) { lap(select); })
        .type("txtAddress", "Sheet2!B3:C22")
        .click("ButInsertNew")
        .inspect([&](forms::Form&) { lap(insert); })
        .click("ButCancel");
    mark = Clock::now();
    const std::string result = pelorin.ShowRefEditInterface();
    try {
        fakes.host->verify();
    } catch (const std::exception& e) {
        std::printf("rows %d: the dialog did not play through: %s\n", rows, e.what());
        return false;
    }
    const auto inserted = memory->active_workbook()->sheet("Ticker_tape_settings")->value_at(4 + kTapes, 4);
    if (result != "CLOSE" || inserted != Variant("Sheet2!B3:C22")) {
        std::printf("rows %d: the tape was not inserted\n", rows);
        return false;
    }
    const auto line = [&](const char* name, const Step& step) {
        std::printf("tape dialog, %5d contract rows, %d tapes: %-16s %6lld calls into Excel %9.1f ms\n", rows,
                    kTapes, name, static_cast<long long>(step.calls), step.ms);
    };
    line("open", open);
    line("select symbol", select);
    line("insert tape", insert);
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {10, 1000, 10000};
    bool ok = true;
    for (const int rows : sizes)
        ok = run(rows) && ok;
    ::CoUninitialize();
    return ok ? 0 : 1;
}
