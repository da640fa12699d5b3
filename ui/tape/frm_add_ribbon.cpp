#include "ui/tape/frm_add_ribbon.h"

#include <optional>

#include "common/automation_error.h"
#include "common/text.h"
#include "seams/message_box.h"
#include "seams/workbook/a1_reference.h"
#include "ui/services/pelorin.h"
#include "ui/tape/message_text.h"
#include "ui/tape/object_ref.h"
#include "ui/tape/row_data.h"
#include "ui/tape/tape_names.h"
#include "ui/tape/user_view.h"

namespace corvel {

namespace {
constexpr const char* kFillIn = "Please fill in the 'AdditionalInformation1' field ";
constexpr const char* kNoSheetName = "You must select Sheet name for the Range";
constexpr const char* kRangeAddressError = "Range Address Error";
constexpr const char* kRangeTooSmall =
    "Error: 'AdditionalInformation1'  = 'AdditionalInformation2'. The range must be row>=3 and Column>=2";
constexpr const char* kRangesIntersect =
    "The ranges of 'AdditionalInformation1' and 'AdditionalInformation2' intersect with each other.";
// A tape needs a symbol row and a field whose column crosses that row, or its link stays empty and
// the tape never fills.
constexpr const char* kNoSymbol = "You must select a symbol in the Portfolio";
constexpr const char* kNoField = "You must select one of the Available fields";
constexpr const char* kFieldOutsideRow =
    "The column of 'AdditionalInformation1' lies outside the symbol's range 'AdditionalInformation2'";

// The contract columns of a symbol row, and the ones a complete row has filled: ticker, type,
// exchange and currency.
constexpr std::int32_t kContractColumns = 9;
constexpr std::int32_t kRequiredColumns[] = {1, 2, 7, 9};
}  // namespace

frmAddRibbon::frmAddRibbon(const UiEnvironment& environment, CErrorHandler& errors)
    : Form(*environment.host, "frmAddRibbon"),
      protocol_(errors, std::string(pelorin::kLibraryName) + ".frmAddRibbon") {
    Caption("Add new tape for ticker");
    txtName.ToolTipText("Tape header for last price");
    txtNameSize.ToolTipText("Tape header for last size");
    txtAddress.ToolTipText("Tape location");
    wire_events();
}

frmAddRibbon::~frmAddRibbon() = default;

void frmAddRibbon::wire_events() {
    ButInsert.Click = [this] { ButInsert_Click(); };
    ButInsertNew.Click = [this] { ButInsertNew_Click(); };
    ButCancel.Click = [this] { ButCancel_Click(); };
    ButGetAddress.Click = [this] { ButGetAddress_Click(); };
    OptLastPrice.Click = [this] { OptLastPrice_Click(); };
    OptBidPrice.Click = [this] { OptBidPrice_Click(); };
    OptAskPrice.Click = [this] { OptAskPrice_Click(); };
    OptHigh.Click = [this] { OptHigh_Click(); };
    OptLow.Click = [this] { OptLow_Click(); };
    OptClose.Click = [this] { OptClose_Click(); };
    OptVolume.Click = [this] { OptVolume_Click(); };
    chkLastSize.Click = [this] { chkLastSize_Click(); };
    chkBidSize.Click = [this] { chkBidSize_Click(); };
    chkAskSize.Click = [this] { chkAskSize_Click(); };
    chkAddName.Click = [this] { chkAddName_Click(); };
    VSFExcel.AfterSelChange = [this](std::int32_t old_row, std::int32_t old_col, std::int32_t new_row,
                                     std::int32_t new_col) {
        VSFExcel_AfterSelChange(old_row, old_col, new_row, new_col);
    };
}

std::shared_ptr<workbook::Application> frmAddRibbon::excel() const {
    std::shared_ptr<workbook::Application> application;
    if (owner_ != nullptr) application = owner_->m_ObjExcelApplication();
    if (!application) raise_nothing();
    return application;
}

void frmAddRibbon::DataBeginning(std::string_view value) {
    txtAddress.Text(value);
    txtAddress.Text(modifyAddress());
}

void frmAddRibbon::Form_Load() {
    protocol_("Form_Load", [&](Statements& s) {
        const auto placement = [&]() -> CFormRestore& {
            if (!form_restore_) raise_nothing();
            return *form_restore_;
        };
        s([&] {
            if (!form_restore_) form_restore_ = std::make_unique<CFormRestore>(host().screen());
        });
        s([&] { placement().Init(app_settings_, true); });
        s([&] { placement().GetPosition(*this); });
        s([&] { options_initialized_ = false; });
        s([&] { EnableOptionButton(); });
        s([&] { OpredTotalOpt(); });
        s([&] { LoadTable(); });
        s([&] { ViewToTable(); });
        s([&] { txtAddress.Text(modifyAddress()); });
    });
}

void frmAddRibbon::Form_QueryUnload(std::int32_t& Cancel, std::int32_t UnloadMode) {
    // Decided first, so that a failure while saving the placement cannot unload the dialog its owner
    // keeps: only an unload from code ends it.
    if (UnloadMode != forms::unload_mode::kFormCode) Cancel = 1;
    protocol_("Form_QueryUnload", [&](Statements& s) {
        if (form_restore_) {
            s([&] { form_restore_->SavePosition(*this); });
            s([&] { form_restore_.reset(); });
        }
        s([&] { Tag("CLOSE"); });
        s([&] { Hide(); });
    });
}

void frmAddRibbon::LoadTable() {
    protocol_("LoadTable", [&](Statements& s) {
        UserView view;
        ObjectRef<workbook::Application> app;
        ObjectRef<workbook::Range> first;
        std::optional<workbook::RangeValue> block;
        // A block that was never read (its read failed and the person answered Ignore) is an empty
        // value to the steps after it: they fail as a type mismatch, each reported in its turn.
        const auto table = [&]() -> const workbook::RangeValue& {
            if (!block)
                throw AutomationError(vb_error::kTypeMismatch, pelorin::kLibraryName,
                                      vb_error::kTypeMismatchText);
            return *block;
        };
        std::int32_t last_row = 0;
        std::int32_t first_row = 0;
        std::int32_t first_column = 0;
        std::int32_t rows = 0;
        // The tape table is read once for all symbol rows, not once per row.
        const TapeTableLoad load(*this);

        s([&] { app = excel(); });
        view.leave(s, app.get());
        s([&] { app->Worksheets(tape::kQuotesSheet)->Select(); });
        s([&] { last_row = app->Range(GotoLastCell(tape::kQuotesSheet, "A1"))->Row(); });
        s([&] {
            first = app->Range(tape::kSymbolName)->Cells(2, 1);
            first_row = first->Row();
            first_column = first->Column();
        });
        if (last_row < first_row) {
            s([&] { VSFExcel.Rows(1); });
            no_symbol_selected(s);
            return view.come_back(s);
        }
        // All symbol rows in one read: every call into the application costs a round trip.
        s([&] { block = first->Resize(last_row - first_row + 1, kContractColumns)->Value(); });
        s([&] { rows = table().rows(); });
        s([&] { VSFExcel.Rows(rows + 1); });
        for (std::int32_t i = 1; i <= rows; ++i) {
            for (std::int32_t j = 1; j <= kContractColumns; ++j) {
                s([&] { VSFExcel.TextMatrix(i, j - 1, table()(i, j).to_text()); });
            }
        }
        for (std::int32_t r = 1; r <= rows; ++r) {
            std::string address;
            // The row's address as the application writes it, worked out here instead of asked for
            // row by row.
            s([&] {
                const std::int32_t row = first_row + r - 1;
                address =
                    workbook::a1_address(workbook::CellArea{row, first_column, row,
                                                            first_column + kContractColumns + total_opt_ - 1},
                                         true, true);
            });
            s([&] { VSFExcel.RowData(r, std::string("0") + tape::kCrLf + address); });
            const bool complete = s([&] {
                for (const std::int32_t column : kRequiredColumns) {
                    if (table()(r, column).to_text().empty()) return false;
                }
                return true;
            });
            if (complete) {
                s([&] { VSFExcel.RowData(r, std::string("1") + tape::kCrLf + address); });
                s([&] { LoadFGChart(address); });
            }
        }
        s([&] { VSFExcel.Row(1); });
        view.come_back(s);
    });
}

void frmAddRibbon::ViewToTable() {
    protocol_("ViewToTable", [&](Statements& s) {
        const std::int32_t row = VSFExcel.Row();
        if (row <= 0) return;
        std::string data;
        s([&] { data = VSFExcel.RowData(row); });
        const auto [flag, row_address] = split_row_data(data);
        if (data.empty() || flag == "0") {
            no_symbol_selected(s);
        } else {
            s([&] { ViewFGChart(row_address); });
        }
    });
}

bool frmAddRibbon::CheckField() {
    bool valid = false;
    protocol_("CheckField", [&](Statements& s) {
        const auto refuse = [&](const std::string& message, forms::Control* focus) {
            s([&] { MsgBox(message, msgbox::kCritical, pelorin::kMessageTitle); });
            if (focus != nullptr) s([&] { focus->SetFocus(); });
        };
        // The header row carries no row data: no symbol is selected.
        if (!s([&] { return symbol_selected(); })) return refuse(kNoSymbol, &VSFExcel);
        if (s([&] { return txtName.Text().empty(); }))
            return refuse(fill_message(kFillIn, txtName.ToolTipText()), &txtName);
        if (s([&] { return txtNameSize.Enabled() && txtNameSize.Text().empty(); })) {
            return refuse(fill_message(kFillIn, txtNameSize.ToolTipText()), &txtNameSize);
        }
        const std::string location = txtAddress.Text();
        if (location.empty()) return refuse(fill_message(kFillIn, txtAddress.ToolTipText()), &txtAddress);
        if (location.find('!') == std::string::npos) return refuse(kNoSheetName, &txtAddress);
        if (!s([&] { return CheckAddres(location); })) return refuse(kRangeAddressError, &txtAddress);
        if (!s([&] { return ChechAddressRange(location); })) {
            const std::string columns = std::to_string(ReturnColumnsCount());
            const std::string message = replace_all(kRangeTooSmall, "Column>=2", "Column>=" + columns);
            return refuse(fill_message(message, txtAddress.ToolTipText(), location), &txtAddress);
        }
        const std::string overlap = s([&] { return CheckAddressIntersect(location); });
        if (!overlap.empty())
            return refuse(fill_message(kRangesIntersect, txtAddress.ToolTipText(), overlap), &txtAddress);
        const auto field = chosen_field();
        if (!field) return refuse(kNoField, nullptr);
        std::string symbol_row;
        if (s([&] { return GivMyLink(symbol_row); }).empty()) {
            const std::string row = std::string(tape::kQuotesSheet) + "!" + symbol_row;
            return refuse(fill_message(kFieldOutsideRow, field->name, row), field->option);
        }
        // A failed insert has been reported and taken back; the definition stays for another try.
        if (!s([&] { return AddSymbolToSheet(); })) return;
        s([&] { txtAddress.Text(""); });
        valid = true;
    });
    return valid;
}

bool frmAddRibbon::symbol_selected() const {
    const std::int32_t row = VSFExcel.Row();
    return row >= 1 && !VSFExcel.RowData(row).empty();
}

void frmAddRibbon::ButInsert_Click() {
    protocol_("ButInsert_Click", [&](Statements& s) {
        if (!s([&] { return CheckField(); })) return;
        s([&] { Tag("CLOSE"); });
        s([&] { Hide(); });
    });
}

void frmAddRibbon::ButInsertNew_Click() {
    protocol_("ButInsertNew_Click", [&](Statements& s) {
        s([&] { CheckField(); });
        s([&] { ViewToTable(); });
    });
}

void frmAddRibbon::ButCancel_Click() {
    protocol_("ButCancel_Click", [&](Statements& s) {
        s([&] { Tag("CLOSE"); });
        s([&] { Hide(); });
    });
}

void frmAddRibbon::ButGetAddress_Click() {
    protocol_("ButGetAddress_Click", [&](Statements& s) {
        s([&] { Tag("DATABEGINNING"); });
        s([&] { Hide(); });
    });
}

}  // namespace corvel
