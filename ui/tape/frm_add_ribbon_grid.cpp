// The tape dialog's symbol grid: selecting a symbol row, collecting the tapes that already link into
// it from the tape table, and listing them.
#include "common/text.h"
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
        UserView view;
        ObjectRef<workbook::Application> app;
        ObjectRef<workbook::Range> header;
        std::int32_t last_row = 0;
        std::int32_t first_row = 0;

        s([&] {
            if (!link_addresses_) link_addresses_ = std::make_shared<corvel::cLinkAddresseses>();
        });
        s([&] { app = excel(); });
        view.leave(s, app.get());
        s([&] { last_row = app->Range(GotoLastCell(tape::kTapeSheet, "A1"))->Row(); });
        s([&] {
            header = object(app->ActiveWorkbook()).Worksheets(tape::kTapeSheet)->Range(tape::kTapeHeaderName);
            first_row = header->Cells(2, 1)->Row();
        });
        for (std::int32_t k = 2; k <= last_row - first_row + 2; ++k) {
            std::string name, link, size_name, location;
            s([&] { name = header->Cells(k, 1)->Value().single().to_text(); });
            s([&] { link = header->Cells(k, 2)->FormulaLocal(); });
            s([&] { size_name = header->Cells(k, 3)->Value().single().to_text(); });
            s([&] { location = header->Cells(k, 4)->Value().single().to_text(); });
            if (name.empty() || link.empty() || location.empty()) continue;
            std::string link_sheet, link_address, row_sheet, row_cells;
            s([&] { ReturnNameSheetAndAddress(link_sheet, link_address, link); });
            s([&] { ReturnNameSheetAndAddress(row_sheet, row_cells, row_address); });
            link_sheet = replace_all(link_sheet, "=", "");
            row_sheet = replace_all(row_sheet, "=", "");
            const std::string common =
                s([&] { return myIntersect(link_sheet, link_address, row_sheet, row_cells); });
            if (common.empty()) continue;
            s([&] { record_tape(row_address, name + link, location, link, name, size_name); });
        }
        view.come_back(s);
    });
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
