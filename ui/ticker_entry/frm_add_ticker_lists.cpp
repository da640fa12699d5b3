// The contract dialog's stored lists and last values, and the editing of a list.
#include "ui/ticker_entry/frm_add_ticker.h"

#include <array>
#include <cstdio>

#include "common/ole_date.h"
#include "common/text.h"
#include "ui/services/dialog_answer.h"
#include "ui/ticker_entry/frm_modify_list.h"
#include "ui/ticker_entry/list_text.h"

namespace corvel {

namespace {
using Combo = frmAddTicker::Combo;

constexpr const char* kSection = "Settings\\frmSettings";

// A list's text and selection while its keys are absent. Every value but the currency list is stored
// under the name of the control it feeds, a list's selection under its list key followed by "Text".
struct ListDefaults {
    const char* list;
    const char* selection;
};

std::string selection_key(const std::string& list_key) {
    return list_key + "Text";
}

constexpr const char* kCurrencyKey = "ComCurency";
constexpr ListDefaults kCurrencyDefaults{"USD|EUR|GBP|HKD|AUD|BASE", "USD"};
constexpr ListDefaults kRightDefaults{"PUT|CALL", "PUT"};
// Each type's exchanges, in the order of `kSecurityTypes`.
constexpr std::array<ListDefaults, kSecurityTypes.size()> kExchangeDefaults = {{
    {"SMART|NYSE", "SMART"},
    {"SMART|PHLX|ISE", "SMART"},
    {"GLOBEX|NYMEX|LIFFE|CME|CBOT", "LIFFE"},
    {"NASDAQ|CBOE|NYSE|AMEX", "NASDAQ"},
    {"SMART|ECBOT", "SMART"},
    {"IDEAL", "IDEAL"},
}};

// The first day of the month after `now`'s, as yyyymm: any day of December 2008 gives 200901.
std::string next_month_expiry(double now) {
    const CivilTime today = civil_from_ole_date(now);
    const int year = today.month == 12 ? today.year + 1 : today.year;
    const int month = today.month == 12 ? 1 : today.month + 1;
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d", year, month);
    return text;
}
}  // namespace

void frmAddTicker::LoadParamert() {
    protocol_("LoadParamert", [&](Statements& s) {
        const auto read = [&](const std::string& key, const std::string& fallback) {
            return s([&] { return app_settings_->GetSetting(kSection, key, Variant(fallback)).to_text(); });
        };
        const auto load_list = [&](Combo& combo, const ListDefaults& defaults) {
            const std::string selection = read(selection_key(combo.Name()), defaults.selection);
            const std::string entries = read(combo.Name(), defaults.list);
            s([&] { Add_Combobox(combo, entries, selection); });
        };

        // The currency lists of Cash, Stock, FutOpt, Futures, Index and Option share one selection.
        const std::string currency = read(selection_key(kCurrencyKey), kCurrencyDefaults.selection);
        for (const std::size_t type : {5, 0, 4, 2, 3, 1}) {
            const std::string entries = read(kCurrencyKey, kCurrencyDefaults.list);
            s([&] { Add_Combobox(*page(type).currency, entries, currency); });
        }
        // Stock, Option, Index, FutOpt, Futures, Cash.
        for (const std::size_t type : {0, 1, 3, 4, 2, 5})
            load_list(*page(type).exchange, kExchangeDefaults[type]);
        s([&] { txtPrimaryExchange.Text(read(txtPrimaryExchange.Name(), "SUPERSOES")); });
        for (forms::TextBox* expiry : {&txtOPTExpiry, &txtFUTExpiry, &txtFOPExpiry}) {
            s([&] { expiry->Text(read(expiry->Name(), next_month_expiry(environment_.clock->now()))); });
        }
        for (forms::TextBox* multiplier : {&txtOPTMultiplier, &txtFUTMultiplier}) {
            s([&] { multiplier->Text(read(multiplier->Name(), "100")); });
        }
        load_list(ComOPTRight, kRightDefaults);
        load_list(ComFOPRight, kRightDefaults);
    });
}

// Only the shown type's values are stored; its currency list becomes the currency list of every type.
void frmAddTicker::SaveParamert() {
    protocol_("SaveParamert", [&](Statements& s) {
        const SecurityType* type = s([&] { return find_security_type(ComType.Text()); });
        if (type == nullptr) return;
        const Page fields = page(static_cast<std::size_t>(type->index));
        const auto write = [&](const std::string& key, const std::string& value) {
            s([&] { app_settings_->SaveSetting(kSection, key, Variant(value)); });
        };
        const auto write_list = [&](const std::string& key, Combo& list) {
            write(selection_key(key), list.Text());
            write(key, ComboBoxToStr(list));
        };
        write_list(kCurrencyKey, *fields.currency);
        write_list(fields.exchange->Name(), *fields.exchange);
        if (fields.expiry != nullptr) write(fields.expiry->Name(), fields.expiry->Text());
        if (fields.right != nullptr) write(selection_key(fields.right->Name()), fields.right->Text());
        if (fields.multiplier != nullptr) write(fields.multiplier->Name(), fields.multiplier->Text());
        if (fields.primary_exchange != nullptr)
            write(fields.primary_exchange->Name(), fields.primary_exchange->Text());
    });
}

void frmAddTicker::Add_Combobox(Combo& combo, std::string_view ListText,
                                std::optional<std::string_view> Selected) {
    protocol_("Add_Combobox", [&](Statements& s) {
        const std::vector<std::string> entries = split_list_text(ListText);
        s([&] { combo.Clear(); });
        std::int32_t match = -1;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            s([&] { combo.AddItem(entries[i]); });
            if (Selected && match < 0 && equals_ignore_case(entries[i], *Selected))
                match = static_cast<std::int32_t>(i);
        }
        // A list the user emptied stays empty, with nothing selected: there is no entry to select,
        // and telling the user so at every opening would only repeat what they chose.
        if (entries.empty()) return;
        s([&] { combo.ListIndex(match < 0 ? 0 : match); });
    });
}

std::string frmAddTicker::ComboBoxToStr(Combo& combo) {
    std::string text;
    protocol_("ComboBoxToStr",
              [&](Statements& s) { text = s([&] { return join_list_text(combo.items()); }); });
    return text;
}

void frmAddTicker::RunfrmModifyList(Combo& combo, std::string_view Caption) {
    protocol_("RunfrmModifyList", [&](Statements& s) {
        const std::string shown = s([&] { return combo.Text(); });
        const std::string entries = s([&] { return ComboBoxToStr(combo); });
        // Released on every way out, an abort included.
        const auto editor = std::make_unique<frmModifyList>(environment_, errors_);
        s([&] { editor->frmAppSettings(app_settings_); });
        s([&] { editor->txtInput.ToolTipText(combo.ToolTipText()); });
        s([&] { editor->InpList(entries); });
        if (!Caption.empty()) s([&] { editor->Caption(Caption); });
        s([&] { editor->Show(forms::ShowMode::Modal); });
        if (s([&] { return answer_is(editor->Tag(), 1); })) {
            const std::string edited = s([&] { return editor->InpList(); });
            s([&] { Add_Combobox(combo, edited, shown); });
        }
        s([&] { editor->Unload(); });
        s([&] { editor->frmAppSettings(nullptr); });
    });
}

}  // namespace corvel
