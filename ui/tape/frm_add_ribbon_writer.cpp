// The tape writer: records a tape in the workbook's tape table with a link to the quoted cell, and
// lays out the tape area at its location.
#include "ui/services/untrappable.h"
#include "seams/workbook/a1_reference.h"
#include "seams/workbook/excel_constants.h"
#include "ui/tape/frm_add_ribbon.h"
#include "ui/tape/object_ref.h"
#include "ui/tape/row_data.h"
#include "ui/tape/tape_names.h"
#include "ui/tape/user_view.h"

namespace corvel {

namespace {
constexpr const char* kLinkPrefix = "=TWS_Quotes!";
constexpr std::int32_t kOddRowFill = 15;
constexpr double kTapeColumnWidth = 10;
constexpr std::int32_t kFrameColor = 16;

// A text the last-cell marker leaves in a cell that holds no data.
bool holds_nothing(const Variant& value) {
    const std::string text = value.to_text();
    return text.empty() || text == " ";
}

// Runs the steps of a procedure whose own trap answers a failure with a fallback result: a failure
// ends the steps, and the procedure goes on with its closing steps.
template <class Steps>
bool attempt(Steps&& steps) {
    try {
        steps();
        return true;
    } catch (const Untrappable&) {
        throw;
    } catch (const std::exception&) {
        return false;
    }
}
}  // namespace

std::string frmAddRibbon::GivMyLink(std::string& symbol_row) {
    std::string link;
    protocol_("GivMyLink", [&](Statements& s) {
        std::string data;
        s([&] { data = VSFExcel.RowData(VSFExcel.Row()); });
        s([&] { symbol_row = split_row_data(data).second; });
        const std::pair<forms::OptionButton*, const char*> fields[] = {{&OptBidPrice, tape::kBidPrice},
                                                                       {&OptAskPrice, tape::kAskPrice},
                                                                       {&OptLastPrice, tape::kLastPrice},
                                                                       {&OptHigh, tape::kHigh},
                                                                       {&OptLow, tape::kLow},
                                                                       {&OptVolume, tape::kVolume},
                                                                       {&OptClose, tape::kClose}};
        for (const auto& [option, name] : fields) {
            if (!option->Enabled() || !option->Value()) continue;
            const std::string column = s([&] { return ColumnAddress(name); });
            s([&] { link = myIntersect(tape::kQuotesSheet, symbol_row, tape::kQuotesSheet, column); });
            return;
        }
    });
    return link;
}

std::string frmAddRibbon::GotoLastCell(std::string_view sheet, std::string_view start) {
    std::string last_cell(start);
    protocol_(
        "GotoLastCell",
        [&](Statements& s) {
            UserView view;
            ObjectRef<workbook::Application> app;
            s([&] { app = excel(); });
            view.leave(s, app.get());
            const bool found = attempt([&] {
                const auto book = app->ActiveWorkbook();
                object(book).Activate();
                book->Worksheets(sheet)->Select();
                auto cell = app->Range(start)->SpecialCells(workbook::xlCellTypeLastCell);
                if (holds_nothing(cell->Value().single())) {
                    // The marker lies beyond the data (a cell once used, now empty): take the last row
                    // and the last column that hold anything.
                    const auto cells = object(app->ActiveSheet()).Cells();
                    const auto by_rows = cells->Find("*", workbook::XlSearchOrder::xlByRows,
                                                     workbook::XlSearchDirection::xlPrevious);
                    const auto by_columns = cells->Find("*", workbook::XlSearchOrder::xlByColumns,
                                                        workbook::XlSearchDirection::xlPrevious);
                    cell = cells->Cells(object(by_rows).Row(), object(by_columns).Column());
                }
                last_cell = cell->Address(false, false);
            });
            if (!found) last_cell = start;
            view.come_back(s);
        },
        Trap::LeaveQuietly);
    return last_cell;
}

void frmAddRibbon::AddSymbolToSheet() {
    protocol_("AddSymbolToSheet", [&](Statements& s) {
        UserView view;
        ObjectRef<workbook::Application> app;
        ObjectRef<workbook::Range> header;
        ObjectRef<workbook::Range> row;
        std::int32_t first = 0;
        std::int32_t last = 0;
        std::string link;
        std::string symbol_row;

        s([&] { app = excel(); });
        view.leave(s, app.get());
        s([&] { app->Worksheets(tape::kTapeSheet)->Select(); });
        s([&] {
            header = app->Range(tape::kTapeHeaderName);
            first = header->Cells(2, 1)->Row();
        });
        s([&] { last = app->Range(GotoLastCell(tape::kTapeSheet, "A1"))->Row(); });
        s([&] { row = header->Cells(last - first + 3, 1); });
        s([&] { row->Value(txtName.Text()); });
        s([&] { link = GivMyLink(symbol_row); });
        if (!link.empty()) s([&] { row->Cells(1, 2)->FormulaLocal(kLinkPrefix + link); });
        if (txtNameSize.Enabled()) s([&] { row->Cells(1, 3)->Value(txtNameSize.Text()); });
        s([&] { row->Cells(1, 4)->Value(txtAddress.Text()); });
        if (s([&] { return row->Row() % 2 == 1; })) {
            s([&] { row->Resize(1, 4)->Interior()->ColorIndex(kOddRowFill); });
        }
        const std::string name = txtName.Text();
        const std::string location = txtAddress.Text();
        if (!name.empty() && !location.empty() && !link.empty() && !symbol_row.empty()) {
            const std::string size_name = txtNameSize.Enabled() ? txtNameSize.Text() : std::string();
            s([&] {
                record_tape(symbol_row, name + kLinkPrefix + link, location, kLinkPrefix + link, name,
                            size_name);
            });
        }
        s([&] { app->Worksheets(tape::kTapeSheet)->Range("A1:D1")->EntireColumn()->AutoFit(); });
        s([&] { app->Worksheets(tape::kTapeSheet)->Range("A1")->Select(); });
        s([&] { ColorSelectRange(); });
        view.come_back(s);
    });
}

void frmAddRibbon::ColorSelectRange() {
    protocol_("ColorSelectRange", [&](Statements& s) {
        ObjectRef<workbook::Range> area;
        std::string sheet, address;
        s([&] { ReturnNameSheetAndAddress(sheet, address, txtAddress.Text()); });
        s([&] {
            // The sheet part of a picked location carries the quotes a name with blanks needs.
            area = object(excel()->ActiveWorkbook())
                       .Worksheets(workbook::unquote_sheet_name(sheet))
                       ->Range(address);
        });
        s([&] { area->Cells(1, 1)->Value("Local Time"); });
        s([&] { area->Cells(1, 2)->Value(txtName.Text()); });
        if (txtNameSize.Enabled()) s([&] { area->Cells(1, 3)->Value(txtNameSize.Text()); });
        s([&] {
            area = area->Cells(1, 1)->Resize(static_cast<std::int32_t>(area->Rows()->Count()),
                                             static_cast<std::int32_t>(area->Columns()->Count()));
        });
        s([&] { area->ColumnWidth(kTapeColumnWidth); });
        for (std::int32_t index = workbook::xlDiagonalDown; index <= workbook::xlInsideHorizontal; ++index) {
            s([&] { area->Borders(index)->LineStyle(workbook::xlNone); });
        }
        for (const std::int32_t edge :
             {workbook::xlEdgeLeft, workbook::xlEdgeTop, workbook::xlEdgeBottom, workbook::xlEdgeRight}) {
            s([&] { area->Borders(edge)->LineStyle(workbook::xlDashDotDot); });
            s([&] { area->Borders(edge)->Weight(workbook::xlThin); });
            s([&] { area->Borders(edge)->ColorIndex(kFrameColor); });
        }
    });
}

}  // namespace corvel
