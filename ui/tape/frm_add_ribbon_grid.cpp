// The tape dialog's symbol grid: selecting a symbol row, collecting the tapes that already link into
// it from the tape table, and listing them.
#include <algorithm>

#include "common/text.h"
#include "seams/workbook/a1_reference.h"
#include "ui/tape/frm_add_ribbon.h"
#include "ui/tape/object_ref.h"
#include "ui/tape/row_data.h"
#include "ui/tape/tape_names.h"
#include "ui/tape/user_view.h"

namespace corvel {

void frmAddRibbon::VSFExcel_AfterSelChange(std::int32_t, std::int32_t, std::int32_t NewRowSel, std::int32_t) {
    protocol_("VSFExcel_AfterSelChange", [&](Statements& s) {
        // No row (an emptied grid) counts as the header row: no symbol selected.
        if (NewRowSel < 0) return;
        const std::string data = s([&] { return VSFExcel.RowData(NewRowSel); });
        if (data.empty()) return;
        const auto [flag, row_address] = split_row_data(data);
        if (flag == "0") {
            no_symbol_selected(s);
        } else {
            s([&] { EnableGroup(true); });
            const std::pair<forms::OptionButton*, const char*> options[] = {
                {&OptLastPrice, tape::kLastPrice}, {&OptAskPrice, tape::kAskPrice},
                {&OptBidPrice, tape::kBidPrice},   {&OptLow, tape::kLow},
                {&OptHigh, tape::kHigh},           {&OptVolume, tape::kVolume},
                {&OptClose, tape::kClose}};
            for (const auto& [option, name] : options)
                s([&] { option->Enabled(CheckAddres(name)); });
            s([&] { OptLastPrice_Click(); });
            s([&] { OptAskPrice_Click(); });
            s([&] { OptBidPrice_Click(); });
            s([&] { OptLow_Click(); });
            s([&] { OptHigh_Click(); });
            s([&] { OptClose_Click(); });
            s([&] { OptVolume_Click(); });
            s([&] { EnableOptionButton(); });
            s([&] { ViewFGChart(row_address); });
        }
        s([&] { ViewChkName(); });
    });
}

void frmAddRibbon::LoadFGChart(std::string_view row_address) {
    protocol_("LoadFGChart", [&](Statements& s) {
        s([&] {
            if (!link_addresses_) link_addresses_ = std::make_shared<corvel::cLinkAddresseses>();
        });
        if (!loading_symbols_) {
            if (const auto table = read_tape_table(s)) collect_tapes(s, row_address, *table);
            return;
        }
        // One attempt per load, whatever comes of it: a table that cannot be read is reported once,
        // not once for every symbol row.
        if (!tape_table_read_) {
            tape_table_read_ = true;
            tape_table_ = read_tape_table(s);
        }
        if (tape_table_) collect_tapes(s, row_address, *tape_table_);
    });
}

std::optional<frmAddRibbon::TapeTable> frmAddRibbon::read_tape_table(Statements& s) {
    UserView view;
    ObjectRef<workbook::Application> app;
    std::optional<workbook::RangeValue> values;
    std::optional<workbook::RangeValue> formulas;
    std::int32_t count = 0;

    s([&] { app = excel(); });
    view.leave(s, app.get());
    const bool read = s([&] {
        const std::int32_t last_row = app->Range(GotoLastCell(tape::kTapeSheet, "A1"))->Row();
        const auto header =
            object(app->ActiveWorkbook()).Worksheets(tape::kTapeSheet)->Range(tape::kTapeHeaderName);
        const auto first = header->Cells(2, 1);
        count = last_row - first->Row() + 1;
        if (count >= 1) {
            // Names, sizes and locations as values, links as the formulas they are: two reads in all.
            const auto cells = first->Resize(count, 4);
            values = cells->Value();
            formulas = cells->FormulaLocalBlock();
        }
        return true;
    });
    view.come_back(s);
    if (!read) return std::nullopt;

    TapeTable table;
    for (std::int32_t k = 1; k <= count && values && formulas; ++k) {
        TapeRow tape;
        tape.name = (*values)(k, 1).to_text();
        tape.link = (*formulas)(k, 2).to_text();
        tape.size_name = (*values)(k, 3).to_text();
        tape.location = (*values)(k, 4).to_text();
        if (tape.name.empty() || tape.link.empty() || tape.location.empty()) continue;
        s([&] { ReturnNameSheetAndAddress(tape.link_sheet, tape.link_address, tape.link); });
        tape.link_sheet = replace_all(tape.link_sheet, "=", "");
        const std::size_t index = table.rows.size();
        const auto area = workbook::parse_a1(tape.link_address);
        if (area && area->rows() == 1) {
            table.by_row.emplace(area->top, index);
        } else {
            table.others.push_back(index);
        }
        table.rows.push_back(std::move(tape));
    }
    return table;
}

void frmAddRibbon::collect_tapes(Statements& s, std::string_view row_address, const TapeTable& table) {
    std::string row_sheet, row_cells;
    s([&] { ReturnNameSheetAndAddress(row_sheet, row_cells, row_address); });
    row_sheet = replace_all(row_sheet, "=", "");
    // Only the tapes whose link can lie in the row are tried, in the table's order.
    std::vector<std::size_t> candidates = table.others;
    if (const auto area = workbook::parse_a1(row_cells)) {
        for (auto it = table.by_row.lower_bound(area->top);
             it != table.by_row.end() && it->first <= area->bottom; ++it)
            candidates.push_back(it->second);
    } else {
        for (const auto& [row, index] : table.by_row)
            candidates.push_back(index);
    }
    std::sort(candidates.begin(), candidates.end());
    for (const std::size_t index : candidates) {
        const TapeRow& tape = table.rows[index];
        const std::string common =
            s([&] { return myIntersect(tape.link_sheet, tape.link_address, row_sheet, row_cells); });
        if (common.empty()) continue;
        s([&] {
            record_tape(row_address, tape.name + tape.link, tape.location, tape.link, tape.name,
                        tape.size_name);
        });
    }
}

void frmAddRibbon::ViewFGChart(std::string_view row_address) {
    protocol_("ViewFGChart", [&](Statements& s) {
        s([&] { VSFChart.Rows(1); });
        // No tapes collected yet is an empty list, not a failure.
        const std::int32_t groups = link_addresses_ ? link_addresses_->Count() : 0;
        for (std::int32_t g = 1; g <= groups; ++g) {
            std::shared_ptr<cLinkAddresses> group;
            s([&] { group = link_addresses_->Item(g); });
            if (!group || !equals_ignore_case(group->Address(), row_address)) continue;
            for (std::int32_t e = 1; e <= group->Count(); ++e) {
                s([&] {
                    const auto entry = group->Item(e);
                    const std::int32_t row = VSFChart.Rows();
                    VSFChart.Rows(row + 1);
                    VSFChart.TextMatrix(row, 0, entry->Name());
                    VSFChart.TextMatrix(row, 1, entry->Link());
                    VSFChart.TextMatrix(row, 2, entry->NameSize());
                    VSFChart.TextMatrix(row, 3, entry->DataRange());
                });
            }
        }
        if (VSFChart.Rows() > 1) s([&] { VSFChart.Row(1); });
    });
}

void frmAddRibbon::record_tape(std::string_view row_address, std::string_view key, std::string_view location,
                               std::string_view link, std::string_view name, std::string_view size_name) {
    if (!link_addresses_) link_addresses_ = std::make_shared<corvel::cLinkAddresseses>();
    const auto entry = link_addresses_->ItemADD(row_address)->ItemADD(key);
    entry->DataRange(location);
    entry->Link(link);
    entry->Name(name);
    entry->NameSize(size_name);
}

}  // namespace corvel
