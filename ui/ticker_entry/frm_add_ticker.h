#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/app_settings.h"
#include "common/security_types.h"
#include "ui/forms/button.h"
#include "ui/forms/combo_box.h"
#include "ui/forms/form.h"
#include "ui/forms/frame.h"
#include "ui/forms/tab_container.h"
#include "ui/forms/text_box.h"
#include "ui/services/calling_protocol.h"
#include "ui/services/error_handler.h"
#include "ui/services/form_restore.h"
#include "ui/services/ui_environment.h"

namespace corvel {

// The contract entry dialog: the user picks a security type and fills in that type's page (ticker,
// exchange, currency and the type's further fields). "Insert >>" and "Insert && new" check the page,
// remember the entered values and lists for the next opening and leave "1" or "4" in `Tag`; "Cancel"
// leaves "2" and remembers nothing; the close box leaves `Tag` empty. The caller reads the contract
// from the controls afterwards.
class frmAddTicker final : public forms::Form {
  public:
    using Combo = forms::ComboBox;
    static constexpr Combo::Style kPickOnly = Combo::Style::DropDownList;

    // The controls of one type's page. Every page has a ticker, an exchange and a currency list; a
    // field the type does not have is null.
    struct Page {
        forms::TextBox* ticker;
        Combo* exchange;
        Combo* currency;
        forms::TextBox* expiry;
        Combo* right;
        forms::TextBox* multiplier;
        forms::TextBox* primary_exchange;
    };

    frmAddTicker(const UiEnvironment& environment, CErrorHandler& errors);
    ~frmAddTicker() override;

    // Where the stored lists, the last values and the window placement live.
    const std::shared_ptr<CAppSettings>& frmAppSettings() const noexcept { return app_settings_; }
    void frmAppSettings(std::shared_ptr<CAppSettings> value) noexcept { app_settings_ = std::move(value); }
    // The type to open on; negative means the first.
    std::int16_t ComTypeListIndex() const noexcept { return com_type_list_index_; }
    void ComTypeListIndex(std::int16_t value) noexcept { com_type_list_index_ = value; }

    Combo ComType{*this, "ComType", kPickOnly};
    forms::TabContainer CIndexType{*this, "CIndexType", kSecurityTypeCaptions};

    forms::Frame C1ESTK{CIndexType, "C1ESTK"};
    forms::TextBox txtSTKSymbol{C1ESTK, "txtSTKSymbol"};
    Combo ComSTKExchange{C1ESTK, "ComSTKExchange", kPickOnly};
    forms::Button ButSTKExchange{C1ESTK, "ButSTKExchange", "..."};
    Combo ComSTKCurency{C1ESTK, "ComSTKCurency", kPickOnly};
    forms::Button ButSTKCurency{C1ESTK, "ButSTKCurency", "..."};
    forms::TextBox txtPrimaryExchange{C1ESTK, "txtPrimaryExchange"};

    forms::Frame C1EOPT{CIndexType, "C1EOPT"};
    forms::TextBox txtOPTSymbol{C1EOPT, "txtOPTSymbol"};
    Combo ComOPTExchange{C1EOPT, "ComOPTExchange", kPickOnly};
    forms::Button ButOPTExchange{C1EOPT, "ButOPTExchange", "..."};
    Combo ComOPTCurency{C1EOPT, "ComOPTCurency", kPickOnly};
    forms::Button ButOPTCurency{C1EOPT, "ButOPTCurency", "..."};
    forms::TextBox txtOPTExpiry{C1EOPT, "txtOPTExpiry"};
    Combo ComOPTRight{C1EOPT, "ComOPTRight", kPickOnly};
    forms::TextBox txtOPTMultiplier{C1EOPT, "txtOPTMultiplier", "100"};

    forms::Frame C1EFUT{CIndexType, "C1EFUT"};
    forms::TextBox txtFUTSymbol{C1EFUT, "txtFUTSymbol"};
    Combo ComFUTExchange{C1EFUT, "ComFUTExchange", kPickOnly};
    forms::Button ButFUTExchange{C1EFUT, "ButFUTExchange", "..."};
    Combo ComFUTCurency{C1EFUT, "ComFUTCurency", kPickOnly};
    forms::Button ButFUTCurency{C1EFUT, "ButFUTCurency", "..."};
    forms::TextBox txtFUTExpiry{C1EFUT, "txtFUTExpiry"};
    forms::TextBox txtFUTMultiplier{C1EFUT, "txtFUTMultiplier", "100"};

    forms::Frame C1EIND{CIndexType, "C1EIND"};
    forms::TextBox txtINDSymbol{C1EIND, "txtINDSymbol"};
    Combo ComINDExchange{C1EIND, "ComINDExchange", kPickOnly};
    forms::Button ButINDExchange{C1EIND, "ButINDExchange", "..."};
    Combo ComIndCurency{C1EIND, "ComIndCurency", kPickOnly};
    forms::Button ButINDCurency{C1EIND, "ButINDCurency", "..."};

    forms::Frame C1EFOP{CIndexType, "C1EFOP"};
    forms::TextBox txtFOPSymbol{C1EFOP, "txtFOPSymbol"};
    Combo ComFOPExchange{C1EFOP, "ComFOPExchange", kPickOnly};
    forms::Button ButFOPExchange{C1EFOP, "ButFOPExchange", "..."};
    Combo ComFOPCurency{C1EFOP, "ComFOPCurency", kPickOnly};
    forms::Button ButFOPCurency{C1EFOP, "ButFOPCurency", "..."};
    forms::TextBox txtFOPExpiry{C1EFOP, "txtFOPExpiry"};
    Combo ComFOPRight{C1EFOP, "ComFOPRight", kPickOnly};

    forms::Frame C1ECash{CIndexType, "C1ECash"};
    forms::TextBox txtCASHSymbol{C1ECash, "txtCASHSymbol"};
    Combo ComCASHExchange{C1ECash, "ComCASHExchange", kPickOnly};
    forms::Button ButCASHExchange{C1ECash, "ButCASHExchange", "..."};
    Combo ComCASHCurency{C1ECash, "ComCASHCurency", kPickOnly};
    forms::Button ButCASHCurency{C1ECash, "ButCASHCurency", "..."};

    forms::Button ButInsert{*this, "ButInsert", "Insert >>"};
    forms::Button ButInsertNew{*this, "ButInsertNew", "Insert && new"};
    forms::Button ButCancel{*this, "ButCancel", "Cancel"};

    void ComType_Click();
    void ButInsert_Click();
    void ButInsertNew_Click();
    void ButCancel_Click();
    void ButSTKExchange_Click();
    void ButOPTExchange_Click();
    void ButFUTExchange_Click();
    void ButINDExchange_Click();
    void ButFOPExchange_Click();
    void ButCASHExchange_Click();
    void ButSTKCurency_Click();
    void ButOPTCurency_Click();
    void ButFUTCurency_Click();
    void ButINDCurency_Click();
    void ButFOPCurency_Click();
    void ButCASHCurency_Click();

    // Checks the fields of the type shown; the first failing check shows its message, takes the
    // focus to its field and makes the result false.
    bool CheckParametr();

    // The stored lists and last values (kept in the settings section "Settings\frmSettings").
    void LoadParamert();
    void SaveParamert();
    // Replaces the entries of `Combo` with those of `ListText` and selects the one equal to
    // `Selected` (ignoring case), else the first; a list text without entries leaves the list empty.
    void Add_Combobox(Combo& Combo, std::string_view ListText,
                      std::optional<std::string_view> Selected = std::nullopt);
    std::string ComboBoxToStr(Combo& Combo);
    // Lets the user edit the entries of `Combo` in the list editor; an empty `Caption` keeps the
    // editor's own.
    void RunfrmModifyList(Combo& Combo, std::string_view Caption);

    // The page of the type at `index` of `kSecurityTypes`.
    Page page(std::size_t index);

  protected:
    void Form_Load() override;

  private:
    void insert(const char* procedure, const char* result);
    void edit_list(const char* procedure, Combo& list, bool exchanges);

    UiEnvironment environment_;
    CErrorHandler& errors_;
    CallingProtocol protocol_;
    std::shared_ptr<CAppSettings> app_settings_;
    std::int16_t com_type_list_index_ = 0;
    std::unique_ptr<CFormRestore> form_restore_;
};

}  // namespace corvel
