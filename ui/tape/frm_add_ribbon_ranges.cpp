// Range addresses of the tape dialog: splitting sheet-qualified texts, the size a tape needs, and
// whether a tape location is large enough and free of other tapes.
#include "common/text.h"
#include "seams/workbook/a1_reference.h"
#include "ui/tape/frm_add_ribbon.h"
#include "ui/tape/object_ref.h"
#include "ui/tape/tape_names.h"

namespace corvel {

namespace {
constexpr std::int32_t kMinimumRows = 3;
constexpr std::int32_t kDefaultRows = 20;
}  // namespace

void frmAddRibbon::ReturnNameSheetAndAddress(std::string& sheet, std::string& address,
                                             std::string_view full_address) {
    protocol_("ReturnNameSheetAndAddress", [&](Statements& s) {
        s([&] {
            const std::size_t bang = workbook::sheet_separator(full_address);
            if (bang == std::string_view::npos) {
                sheet = tape::kQuotesSheet;
                address = full_address;
            } else {
                sheet = full_address.substr(0, bang);
                address = full_address.substr(bang + 1);
            }
        });
    });
}

std::string frmAddRibbon::ColumnAddress(std::string_view address) {
    std::string column;
    protocol_("ColumnAddress", [&](Statements& s) {
        ObjectRef<workbook::Application> app;
        std::int32_t number = 0;
        s([&] { app = excel(); });
        s([&] { number = app->Range(address)->Column(); });
        s([&] { column = app->Columns(number)->Address(); });
    });
    return column;
}

std::string frmAddRibbon::myIntersect(std::string_view sheet1, std::string_view address1,
                                      std::string_view sheet2, std::string_view address2) {
    std::string common;
    protocol_(
        "myIntersect",
        [&](Statements& s) {
            // Quoted and plain forms of one sheet name are the same sheet.
            if (!equals_ignore_case(workbook::unquote_sheet_name(sheet1),
                                    workbook::unquote_sheet_name(sheet2)))
                return;
            s([&] {
                // Two plain addresses on one sheet meet where their cells do: worked out here, as the
                // application would, without a call into it for every pair of ranges compared.
                const auto area1 = workbook::parse_a1(address1);
                const auto area2 = workbook::parse_a1(address2);
                if (area1 && area2) {
                    if (const auto overlap = workbook::intersection(*area1, *area2))
                        common = workbook::a1_address(*overlap, true, true);
                    return;
                }
                const auto app = excel();
                const auto overlap = app->Intersect(*app->Range(address1), *app->Range(address2));
                if (overlap) common = overlap->Address();
            });
        },
        Trap::LeaveQuietly);
    return common;
}

std::int16_t frmAddRibbon::ReturnColumnsCount() {
    std::int16_t columns = 2;
    protocol_("ReturnColumnsCount", [&](Statements& s) {
        const std::pair<forms::OptionButton*, forms::CheckBox*> prices[] = {
            {&OptAskPrice, &chkAskSize}, {&OptBidPrice, &chkBidSize}, {&OptLastPrice, &chkLastSize}};
        for (const auto& [option, size] : prices) {
            s([&] {
                if (option->Enabled() && option->Value() && size->Enabled() &&
                    size->Value() == forms::CheckBox::kChecked) {
                    columns = 3;
                }
            });
        }
    });
    return columns;
}

bool frmAddRibbon::ChechAddressRange(std::string_view full_address) {
    bool large_enough = false;
    protocol_("ChechAddressRange", [&](Statements& s) {
        const std::int16_t columns = s([&] { return ReturnColumnsCount(); });
        ObjectRef<workbook::Range> range;
        s([&] { range = excel()->Range(full_address); });
        s([&] {
            large_enough = range->Columns()->Count() >= columns && range->Rows()->Count() >= kMinimumRows;
        });
    });
    return large_enough;
}

std::string frmAddRibbon::CheckAddressIntersect(std::string_view full_address) {
    std::string overlapping;
    protocol_("CheckAddressIntersect", [&](Statements& s) {
        std::string sheet, address;
        s([&] { ReturnNameSheetAndAddress(sheet, address, full_address); });
        if (!link_addresses_) return;
        for (const auto& group : link_addresses_->NewEnum()) {
            for (const auto& tape : group->NewEnum()) {
                std::string tape_sheet, tape_address;
                s([&] { ReturnNameSheetAndAddress(tape_sheet, tape_address, tape->DataRange()); });
                if (s([&] { return myIntersect(sheet, address, tape_sheet, tape_address); }).empty())
                    continue;
                overlapping = "'Name'=" + tape->Name() + "  'Data Range'=" + tape->DataRange();
                return;
            }
        }
    });
    return overlapping;
}

std::string frmAddRibbon::modifyAddress() {
    std::string location;
    protocol_("modifyAddress", [&](Statements& s) {
        const std::int16_t columns = s([&] { return ReturnColumnsCount(); });
        const std::string text = txtAddress.Text();
        if (text.empty() || !s([&] { return CheckAddres(text); })) return;
        const std::size_t bang = workbook::sheet_separator(text);
        const std::string prefix = bang == std::string::npos ? std::string() : text.substr(0, bang + 1);
        ObjectRef<workbook::Range> range;
        std::int32_t rows = 0;
        s([&] { range = excel()->Range(text); });
        s([&] { rows = static_cast<std::int32_t>(range->Rows()->Count()); });
        if (rows < kMinimumRows) rows = kDefaultRows;
        s([&] { location = prefix + range->Resize(rows, columns)->Address(false, false); });
    });
    return location;
}

}  // namespace corvel
