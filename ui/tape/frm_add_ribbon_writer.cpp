// The tape writer: records a tape in the workbook's tape table with a link to the quoted cell, and
// lays out the tape area at its location.
#include <source_location>

#include "seams/workbook/a1_reference.h"
#include "seams/workbook/excel_constants.h"
#include "ui/services/untrappable.h"
#include "ui/tape/cell_text.h"
#include "ui/tape/frm_add_ribbon.h"
#include "ui/tape/object_ref.h"
#include "ui/tape/row_data.h"
#include "ui/tape/tape_names.h"
#include "ui/tape/tape_undo.h"
#include "ui/tape/user_view.h"

namespace corvel {

namespace {
constexpr double kTapeColumnWidth = 10;
constexpr std::int32_t kFrameColor = 16;

// A text the last-cell marker leaves in a cell that holds no data.
bool holds_nothing(const Variant& value) {
    const std::string text = value.to_text();
    return text.empty() || text == " ";
}

// Runs a step of writing a tape as a statement of `s`: false when it failed and the user let it go.
// A tape with a step missing is no tape (a row without its link or its area never fills), so a
// writer ends at such a step instead of going on with the next.
template <class Step>
bool went_through(Statements& s, Step&& step, std::source_location where = std::source_location::current()) {
    return s(
        [&] {
            step();
            return true;
        },
        where);
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

std::optional<frmAddRibbon::TapeField> frmAddRibbon::chosen_field() {
    for (const TapeField field :
         {TapeField{&OptBidPrice, tape::kBidPrice}, TapeField{&OptAskPrice, tape::kAskPrice},
          TapeField{&OptLastPrice, tape::kLastPrice}, TapeField{&OptHigh, tape::kHigh},
          TapeField{&OptLow, tape::kLow}, TapeField{&OptVolume, tape::kVolume},
          TapeField{&OptClose, tape::kClose}}) {
        if (field.option->Enabled() && field.option->Value()) return field;
    }
    return std::nullopt;
}

std::string frmAddRibbon::GivMyLink(std::string& symbol_row) {
    std::string link;
    protocol_("GivMyLink", [&](Statements& s) {
        std::string data;
        s([&] { data = VSFExcel.RowData(VSFExcel.Row()); });
        s([&] { symbol_row = split_row_data(data).second; });
        const auto field = chosen_field();
        if (!field) return;
        const std::string column = s([&] { return ColumnAddress(field->name); });
        s([&] { link = myIntersect(tape::kQuotesSheet, symbol_row, tape::kQuotesSheet, column); });
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

bool frmAddRibbon::AddSymbolToSheet() {
    bool finished = false;
    protocol_("AddSymbolToSheet", [&](Statements& s) {
        UserView view;
        // Declared after the view: an aborted insert is taken back before the user's view comes back.
        TapeUndo undo;
        ObjectRef<workbook::Application> app;
        ObjectRef<workbook::Range> header;
        ObjectRef<workbook::Range> row;
        ObjectRef<workbook::Range> area;
        std::int32_t first = 0;
        std::int32_t last = 0;
        std::string link;
        std::string symbol_row;
        const auto give_up = [&] {
            undo.take_back();
            view.come_back(s);
        };

        if (!went_through(s, [&] { app = excel(); })) return;
        view.leave(s, app.get());
        // Everything the tape needs is found before anything is written.
        if (!went_through(s, [&] { app->Worksheets(tape::kTapeSheet)->Select(); })) return give_up();
        if (!went_through(s, [&] {
                header = app->Range(tape::kTapeHeaderName);
                first = header->Cells(2, 1)->Row();
            })) {
            return give_up();
        }
        if (!went_through(s, [&] { last = app->Range(GotoLastCell(tape::kTapeSheet, "A1"))->Row(); }))
            return give_up();
        if (!went_through(s, [&] { row = header->Cells(last - first + 3, 1); })) return give_up();
        if (!went_through(s, [&] { link = GivMyLink(symbol_row); })) return give_up();
        if (link.empty() || symbol_row.empty()) return give_up();
        if (!went_through(s, [&] { area = tape_area(); })) return give_up();

        const std::string name = txtName.Text();
        const std::string location = txtAddress.Text();
        const bool with_size = txtNameSize.Enabled();
        const std::string size_name = with_size ? txtNameSize.Text() : std::string();
        const std::string formula = "=" + std::string(tape::kQuotesSheet) + "!" + link;
        if (!went_through(s, [&] { undo.cells(*row->Resize(1, 4)); })) return give_up();
        if (!went_through(s, [&] { row->Value(cell_text(name)); })) return give_up();
        if (!went_through(s, [&] { row->Cells(1, 2)->FormulaLocal(formula); })) return give_up();
        if (with_size && !went_through(s, [&] { row->Cells(1, 3)->Value(cell_text(size_name)); }))
            return give_up();
        if (!went_through(s, [&] { row->Cells(1, 4)->Value(cell_text(location)); })) return give_up();
        if (!went_through(s, [&] {
                if (row->Row() % 2 == 1) row->Resize(1, 4)->Interior()->ColorIndex(tape::kOddRowFill);
            })) {
            return give_up();
        }
        if (!name.empty() && !location.empty() && !went_through(s, [&] {
                if (!link_addresses_) link_addresses_ = std::make_shared<corvel::cLinkAddresseses>();
                undo.entry(link_addresses_, symbol_row, name + formula);
                record_tape(symbol_row, name + formula, location, formula, name, size_name);
            })) {
            return give_up();
        }
        // Only the looks of the tape table: these go on after a failure the user lets go.
        s([&] { app->Worksheets(tape::kTapeSheet)->Range("A1:D1")->EntireColumn()->AutoFit(); });
        s([&] { app->Worksheets(tape::kTapeSheet)->Range("A1")->Select(); });
        if (!went_through(s, [&] { undo.cells(*area->Resize(1, with_size ? 3 : 2)); })) return give_up();
        if (!s([&] { return ColorSelectRange(); })) return give_up();
        undo.keep();
        view.come_back(s);
        finished = true;
    });
    return finished;
}

std::shared_ptr<workbook::Range> frmAddRibbon::tape_area() {
    std::string sheet, address;
    ReturnNameSheetAndAddress(sheet, address, txtAddress.Text());
    // The sheet part of a picked location carries the quotes a name with blanks needs.
    return object(excel()->ActiveWorkbook()).Worksheets(workbook::unquote_sheet_name(sheet))->Range(address);
}

bool frmAddRibbon::ColorSelectRange() {
    bool laid_out = false;
    protocol_("ColorSelectRange", [&](Statements& s) {
        ObjectRef<workbook::Range> area;
        if (!went_through(s, [&] { area = tape_area(); })) return;
        if (!went_through(s, [&] { area->Cells(1, 1)->Value("Local Time"); })) return;
        if (!went_through(s, [&] { area->Cells(1, 2)->Value(cell_text(txtName.Text())); })) return;
        if (txtNameSize.Enabled() &&
            !went_through(s, [&] { area->Cells(1, 3)->Value(cell_text(txtNameSize.Text())); }))
            return;
        if (!went_through(s, [&] {
                area = area->Cells(1, 1)->Resize(static_cast<std::int32_t>(area->Rows()->Count()),
                                                 static_cast<std::int32_t>(area->Columns()->Count()));
            })) {
            return;
        }
        if (!went_through(s, [&] { area->ColumnWidth(kTapeColumnWidth); })) return;
        for (std::int32_t index = workbook::xlDiagonalDown; index <= workbook::xlInsideHorizontal; ++index) {
            if (!went_through(s, [&] { area->Borders(index)->LineStyle(workbook::xlNone); })) return;
        }
        for (const std::int32_t edge :
             {workbook::xlEdgeLeft, workbook::xlEdgeTop, workbook::xlEdgeBottom, workbook::xlEdgeRight}) {
            if (!went_through(s, [&] { area->Borders(edge)->LineStyle(workbook::xlDashDotDot); })) return;
            if (!went_through(s, [&] { area->Borders(edge)->Weight(workbook::xlThin); })) return;
            if (!went_through(s, [&] { area->Borders(edge)->ColorIndex(kFrameColor); })) return;
        }
        laid_out = true;
    });
    return laid_out;
}

}  // namespace corvel
