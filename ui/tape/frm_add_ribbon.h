#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/app_settings.h"
#include "seams/workbook/application.h"
#include "ui/forms/button.h"
#include "ui/forms/check_box.h"
#include "ui/forms/form.h"
#include "ui/forms/frame.h"
#include "ui/forms/grid.h"
#include "ui/forms/label.h"
#include "ui/forms/option_button.h"
#include "ui/forms/text_box.h"
#include "ui/services/calling_protocol.h"
#include "ui/services/error_handler.h"
#include "ui/services/form_restore.h"
#include "ui/services/ui_environment.h"
#include "ui/tape/link_addresseses.h"
#include "ui/tape/tape_owner.h"

namespace corvel {

// The tape dialog: the user picks a symbol row of the quotes worksheet, a market-data field (with its
// size for the price fields), the header texts and a tape location, and the dialog writes the tape
// into the workbook: a row of the tape table that links to the quoted cell, and the tape area's
// header and frame. It lists the tapes that already link into the selected row.
//
// The dialog stays loaded between two showings, so that the user can leave it to pick the tape
// location in the workbook ("..." ends the showing with "DATABEGINNING") and come back to the same
// state; "Cancel", the close box and a successful "Insert >>" end it with "CLOSE". Its answer is the
// form's `Tag`. Every procedure runs under the error handler's calling protocol as
// "Pelorin.frmAddRibbon.<procedure>".
class frmAddRibbon final : public forms::Form {
  public:
    frmAddRibbon(const UiEnvironment& environment, CErrorHandler& errors);
    ~frmAddRibbon() override;

    // --- What the dialog's owner sets.
    const std::shared_ptr<CAppSettings>& frmAppSettings() const noexcept { return app_settings_; }
    void frmAppSettings(std::shared_ptr<CAppSettings> value) { app_settings_ = std::move(value); }
    const std::shared_ptr<corvel::cLinkAddresseses>& cLinkAddresseses() const noexcept {
        return link_addresses_;
    }
    void cLinkAddresseses(std::shared_ptr<corvel::cLinkAddresseses> value) {
        link_addresses_ = std::move(value);
    }
    // The tape location as the dialog shows it.
    std::string DataBeginning() const { return txtAddress.Text(); }
    // Takes a tape location picked in the workbook and shows it sized to the tape.
    void DataBeginning(std::string_view value);
    TapeOwner* Owner() const noexcept { return owner_; }
    void Owner(TapeOwner* value) noexcept { owner_ = value; }

    // --- Controls.
    forms::Frame C1ERibbon{*this, "C1ERibbon"};
    forms::Label lblPortfolio{C1ERibbon, "lblPortfolio", "Portfolio"};
    forms::Grid VSFExcel{C1ERibbon,
                         "VSFExcel",
                         {"Ticker", "Type", "Expiry", "Strike", "P/C", "Multiplier", "Exchange",
                          "Primary Exchange", "Currency"}};
    forms::Label lblRibbon{C1ERibbon, "lblRibbon", "Ticker tape"};
    forms::Grid VSFChart{
        C1ERibbon,
        "VSFChart",
        {"Tape header for Ticker", "Link to ticker", "Tape header for Size", "Tape location "}};
    forms::Frame FraAvailableFields{C1ERibbon, "FraAvailableFields", "Available fields"};
    forms::OptionButton OptLastPrice{FraAvailableFields, "OptLastPrice", "last price"};
    forms::CheckBox chkLastSize{FraAvailableFields, "chkLastSize", "last size"};
    forms::OptionButton OptBidPrice{FraAvailableFields, "OptBidPrice", "bid price"};
    forms::CheckBox chkBidSize{FraAvailableFields, "chkBidSize", "bid size"};
    forms::OptionButton OptAskPrice{FraAvailableFields, "OptAskPrice", "ask price"};
    forms::CheckBox chkAskSize{FraAvailableFields, "chkAskSize", "ask size"};
    forms::OptionButton OptHigh{FraAvailableFields, "OptHigh", "high"};
    forms::OptionButton OptLow{FraAvailableFields, "OptLow", "low"};
    forms::OptionButton OptClose{FraAvailableFields, "OptClose", "close"};
    forms::OptionButton OptVolume{FraAvailableFields, "OptVolume", "volume"};
    forms::CheckBox chkAddName{FraAvailableFields, "chkAddName", "Add field name"};
    forms::TextBox txtName{C1ERibbon, "txtName"};
    forms::TextBox txtNameSize{C1ERibbon, "txtNameSize"};
    forms::TextBox txtAddress{C1ERibbon, "txtAddress"};
    forms::Button ButGetAddress{C1ERibbon, "ButGetAddress", "..."};
    forms::Button ButInsert{C1ERibbon, "ButInsert", "Insert >>"};
    forms::Button ButInsertNew{C1ERibbon, "ButInsertNew", "Insert && new"};
    forms::Button ButCancel{C1ERibbon, "ButCancel", "Cancel"};

    // --- The symbol table, validation and the buttons.
    void LoadTable();
    void ViewToTable();
    // Validates the tape definition and, when it is sound, writes it.
    bool CheckField();
    void ButInsert_Click();
    void ButInsertNew_Click();
    void ButCancel_Click();
    void ButGetAddress_Click();

    // --- The field choice.
    // Whether the application resolves the text to a range; never reports.
    bool CheckAddres(std::string_view text);
    void OpredTotalOpt();
    void EnableGroup(bool enable);
    void EnableSizeName();
    void EnableOptionButton();
    void ViewChkName();
    void OptLastPrice_Click();
    void OptBidPrice_Click();
    void OptAskPrice_Click();
    void OptHigh_Click();
    void OptLow_Click();
    void OptClose_Click();
    void OptVolume_Click();
    void chkLastSize_Click();
    void chkBidSize_Click();
    void chkAskSize_Click();
    void chkAddName_Click();

    // --- The symbol grid and the existing tapes.
    void VSFExcel_AfterSelChange(std::int32_t OldRowSel, std::int32_t OldColSel, std::int32_t NewRowSel,
                                 std::int32_t NewColSel);
    void LoadFGChart(std::string_view row_address);
    void ViewFGChart(std::string_view row_address);

    // --- Range addresses.
    void ReturnNameSheetAndAddress(std::string& sheet, std::string& address, std::string_view full_address);
    std::string ColumnAddress(std::string_view address);
    // The absolute address of the common cells of two ranges on the same sheet; empty when they share
    // none or either cannot be resolved. Never reports.
    std::string myIntersect(std::string_view sheet1, std::string_view address1, std::string_view sheet2,
                            std::string_view address2);
    std::int16_t ReturnColumnsCount();
    bool ChechAddressRange(std::string_view full_address);
    std::string CheckAddressIntersect(std::string_view full_address);
    std::string modifyAddress();

    // --- The tape writer.
    std::string GivMyLink(std::string& symbol_row);
    // The relative address of the last cell holding data on `sheet`, or `start` when it cannot be
    // found. Never reports.
    std::string GotoLastCell(std::string_view sheet, std::string_view start);
    // Writes the tape: true only when the whole of it went in. What the tape needs is found before
    // anything is written, and an insert that fails part-way takes back what it wrote.
    bool AddSymbolToSheet();
    // Lays out the tape area: true only when all of it was laid out.
    bool ColorSelectRange();

    // --- State, as tests read it.
    std::int16_t TotalOpt() const noexcept { return total_opt_; }
    const std::array<bool, 10>& SelectedFields() const noexcept { return selected_fields_; }
    bool OptionsInitialized() const noexcept { return options_initialized_; }

  protected:
    void Form_Load() override;
    void Form_QueryUnload(std::int32_t& Cancel, std::int32_t UnloadMode) override;

  private:
    // Indexes of `SelectedFields`.
    enum Field : std::size_t {
        kFieldLastPrice = 0,
        kFieldLastSize = 1,
        kFieldBidPrice = 2,
        kFieldBidSize = 3,
        kFieldAskPrice = 4,
        kFieldAskSize = 5,
        kFieldLow = 6,
        kFieldHigh = 7,
        kFieldClose = 8,
        kFieldVolume = 9,
    };

    // A market-data field a tape can show: its option and its workbook name.
    struct TapeField {
        forms::OptionButton* option;
        const char* name;
    };

    void TotalOpt(std::int16_t value) noexcept { total_opt_ = value; }
    // Whether the current row of the symbol grid is a symbol row (the header row carries no row data).
    bool symbol_selected() const;
    // The field the tape links to: the first option, in the tape writer's order, that is enabled and
    // selected.
    std::optional<TapeField> chosen_field();
    // The tape location's range, on its sheet of the active workbook; raises when it is not there.
    std::shared_ptr<workbook::Range> tape_area();
    std::shared_ptr<workbook::Application> excel() const;
    void disable_options();
    // The field choice and the tape list when no complete symbol row is selected, one statement each.
    void no_symbol_selected(Statements& s);
    // Enters a tape into the link-address model, under its symbol row and its header text and link.
    void record_tape(std::string_view row_address, std::string_view key, std::string_view location,
                     std::string_view link, std::string_view name, std::string_view size_name);
    void price_option_click(const char* procedure, forms::OptionButton& option, forms::CheckBox& size,
                            const char* size_name, forms::CheckBox& other1, forms::CheckBox& other2);
    void other_option_click(const char* procedure, forms::OptionButton& option);
    void size_click(const char* procedure, forms::CheckBox& size);
    std::string symbol_text() const;
    void wire_events();

    // The tape table as one read gives it: each tape with the sheet and cells its link points at.
    struct TapeRow {
        std::string name;
        std::string link;
        std::string size_name;
        std::string location;
        std::string link_sheet;
        std::string link_address;
    };
    struct TapeTable {
        std::vector<TapeRow> rows;
        // Tapes whose link lies on one row, by that row; the others (a link of several rows, or one
        // that is no plain address) are tried against every symbol row.
        std::multimap<std::int32_t, std::size_t> by_row;
        std::vector<std::size_t> others;
    };
    // While the symbol table loads, the tape table is read at the first symbol row that needs it and
    // kept for the others: the calls into the application do not grow with the symbol rows.
    class TapeTableLoad {
      public:
        explicit TapeTableLoad(frmAddRibbon& form) : form_(form) {
            form_.loading_symbols_ = true;
            form_.tape_table_read_ = false;
            form_.tape_table_.reset();
        }
        TapeTableLoad(const TapeTableLoad&) = delete;
        TapeTableLoad& operator=(const TapeTableLoad&) = delete;
        ~TapeTableLoad() {
            form_.loading_symbols_ = false;
            form_.tape_table_.reset();
        }

      private:
        frmAddRibbon& form_;
    };
    // Reads the tape table in one block read; nullopt when it could not be read (the failure has
    // been reported).
    std::optional<TapeTable> read_tape_table(Statements& s);
    // Enters the tapes of `table` whose link lies in the symbol row at `row_address`.
    void collect_tapes(Statements& s, std::string_view row_address, const TapeTable& table);

    CallingProtocol protocol_;
    TapeOwner* owner_ = nullptr;
    bool loading_symbols_ = false;
    bool tape_table_read_ = false;
    std::optional<TapeTable> tape_table_;
    std::shared_ptr<CAppSettings> app_settings_;
    std::shared_ptr<corvel::cLinkAddresseses> link_addresses_;
    std::unique_ptr<CFormRestore> form_restore_;
    std::int16_t total_opt_ = 0;
    std::array<bool, 10> selected_fields_{};
    bool options_initialized_ = false;
};

}  // namespace corvel
