// The contract dialog's stored lists and last values, and the editing of a list.
#include "ui/ticker_entry/frm_add_ticker.h"

#include <cstdio>

#include "common/dialog_answer.h"
#include "common/ole_date.h"
#include "common/text.h"
#include "ui/ticker_entry/frm_modify_list.h"
#include "ui/ticker_entry/list_text.h"

namespace corvel {

namespace {
using Combo = frmAddTicker::Combo;

constexpr const char* kSection = "Settings\\frmSettings";

// A stored list: its key, the list text and the selection used while the key is absent. The
// selection is stored under the list's key followed by "Text".
struct StoredList {
    const char* key;
    const char* default_list;
    const char* default_selection;
};

const StoredList kCurrencies{"ComCurency", "USD|EUR|GBP|HKD|AUD|BASE", "USD"};
const StoredList kOptionRights{"ComOPTRight", "PUT|CALL", "PUT"};
const StoredList kFutOptRights{"ComFOPRight", "PUT|CALL", "PUT"};

// A field stored under `key` when a contract of its page is inserted: a text box or the selection
// of a list.
struct StoredField {
    const char* key;
    forms::TextBox frmAddTicker::*text_box;
    Combo frmAddTicker::*list;
};

// What one type's page stores. Every type has its own exchange list, while all types share one
// currency list: an insert stores that type's currency list as the list of all.
struct TypePage {
    std::string_view type;
    Combo frmAddTicker::*currency;
    Combo frmAddTicker::*exchange;
    StoredList exchanges;
    std::vector<StoredField> fields;
};

const std::vector<TypePage>& pages() {
    static const std::vector<TypePage> kPages = {
        {"Stock",
         &frmAddTicker::ComSTKCurency,
         &frmAddTicker::ComSTKExchange,
         {"ComSTKExchange", "SMART|NYSE", "SMART"},
         {{"txtPrimaryExchange", &frmAddTicker::txtPrimaryExchange, nullptr}}},
        {"Option",
         &frmAddTicker::ComOPTCurency,
         &frmAddTicker::ComOPTExchange,
         {"ComOPTExchange", "SMART|PHLX|ISE", "SMART"},
         {{"txtOPTExpiry", &frmAddTicker::txtOPTExpiry, nullptr},
          {"ComOPTRightText", nullptr, &frmAddTicker::ComOPTRight},
          {"txtOPTMultiplier", &frmAddTicker::txtOPTMultiplier, nullptr}}},
        {"Futures",
         &frmAddTicker::ComFUTCurency,
         &frmAddTicker::ComFUTExchange,
         {"ComFUTExchange", "GLOBEX|NYMEX|LIFFE|CME|CBOT", "LIFFE"},
         {{"txtFUTExpiry", &frmAddTicker::txtFUTExpiry, nullptr},
          {"txtFUTMultiplier", &frmAddTicker::txtFUTMultiplier, nullptr}}},
        {"Index",
         &frmAddTicker::ComIndCurency,
         &frmAddTicker::ComINDExchange,
         {"ComINDExchange", "NASDAQ|CBOE|NYSE|AMEX", "NASDAQ"},
         {}},
        {"FutOpt",
         &frmAddTicker::ComFOPCurency,
         &frmAddTicker::ComFOPExchange,
         {"ComFOPExchange", "SMART|ECBOT", "SMART"},
         {{"txtFOPExpiry", &frmAddTicker::txtFOPExpiry, nullptr},
          {"ComFOPRightText", nullptr, &frmAddTicker::ComFOPRight}}},
        {"Cash",
         &frmAddTicker::ComCASHCurency,
         &frmAddTicker::ComCASHExchange,
         {"ComCASHExchange", "IDEAL", "IDEAL"},
         {}},
    };
    return kPages;
}

std::string selection_key(const StoredList& list) {
    return std::string(list.key) + "Text";
}

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
        const auto load_list = [&](Combo& combo, const StoredList& list) {
            const std::string selection = read(selection_key(list), list.default_selection);
            const std::string entries = read(list.key, list.default_list);
            s([&] { Add_Combobox(combo, entries, selection); });
        };

        const std::string currency = read(selection_key(kCurrencies), kCurrencies.default_selection);
        for (Combo* combo : {&ComCASHCurency, &ComSTKCurency, &ComFOPCurency, &ComFUTCurency, &ComIndCurency,
                             &ComOPTCurency}) {
            const std::string entries = read(kCurrencies.key, kCurrencies.default_list);
            s([&] { Add_Combobox(*combo, entries, currency); });
        }
        // Stock, Option, Index, FutOpt, Futures, Cash.
        for (const std::size_t page : {0, 1, 3, 4, 2, 5}) {
            const TypePage& type = pages()[page];
            load_list(this->*type.exchange, type.exchanges);
        }
        s([&] { txtPrimaryExchange.Text(read("txtPrimaryExchange", "SUPERSOES")); });
        for (forms::TextBox* expiry : {&txtOPTExpiry, &txtFUTExpiry, &txtFOPExpiry}) {
            s([&] { expiry->Text(read(expiry->Name(), next_month_expiry(environment_.clock->now()))); });
        }
        s([&] { txtOPTMultiplier.Text(read("txtOPTMultiplier", "100")); });
        s([&] { txtFUTMultiplier.Text(read("txtFUTMultiplier", "100")); });
        load_list(ComOPTRight, kOptionRights);
        load_list(ComFOPRight, kFutOptRights);
    });
}

void frmAddTicker::SaveParamert() {
    protocol_("SaveParamert", [&](Statements& s) {
        const std::string type_name = s([&] { return ComType.Text(); });
        const auto write = [&](const std::string& key, const std::string& value) {
            s([&] { app_settings_->SaveSetting(kSection, key, Variant(value)); });
        };
        for (const TypePage& type : pages()) {
            if (type.type != type_name) continue;
            Combo& currency = this->*type.currency;
            Combo& exchange = this->*type.exchange;
            write(selection_key(kCurrencies), currency.Text());
            write(kCurrencies.key, ComboBoxToStr(currency));
            write(selection_key(type.exchanges), exchange.Text());
            write(type.exchanges.key, ComboBoxToStr(exchange));
            for (const StoredField& field : type.fields) {
                write(field.key, field.text_box != nullptr ? (this->*field.text_box).Text()
                                                           : (this->*field.list).Text());
            }
        }
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
