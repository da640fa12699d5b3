#include "ui/ticker_entry/frm_add_ticker.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "common/text.h"
#include "seams/message_box.h"
#include "ui/services/locale_number.h"
#include "ui/services/pelorin.h"

namespace corvel {

namespace {
enum class Check { NotEmpty, Numeric };

struct FieldCheck {
    std::string_view type;
    forms::TextBox frmAddTicker::*field;
    Check check;
};

// What "Insert" checks per type, in order. Exchange, currency and right come from lists and need no
// check; the futures expiry only has to be there, the option expiries have to be numbers.
constexpr FieldCheck kChecks[] = {
    {"Stock", &frmAddTicker::txtSTKSymbol, Check::NotEmpty},
    {"Stock", &frmAddTicker::txtPrimaryExchange, Check::NotEmpty},
    {"Option", &frmAddTicker::txtOPTSymbol, Check::NotEmpty},
    {"Option", &frmAddTicker::txtOPTExpiry, Check::NotEmpty},
    {"Option", &frmAddTicker::txtOPTExpiry, Check::Numeric},
    {"Option", &frmAddTicker::txtOPTMultiplier, Check::Numeric},
    {"Futures", &frmAddTicker::txtFUTSymbol, Check::NotEmpty},
    {"Futures", &frmAddTicker::txtFUTExpiry, Check::NotEmpty},
    {"Futures", &frmAddTicker::txtFUTMultiplier, Check::Numeric},
    {"Index", &frmAddTicker::txtINDSymbol, Check::NotEmpty},
    {"FutOpt", &frmAddTicker::txtFOPSymbol, Check::NotEmpty},
    {"FutOpt", &frmAddTicker::txtFOPExpiry, Check::Numeric},
    {"Cash", &frmAddTicker::txtCASHSymbol, Check::NotEmpty},
};
// A type named here but not in the table would silently lose its checks.
static_assert(std::all_of(std::begin(kChecks), std::end(kChecks),
                          [](const FieldCheck& check) { return security_type_index(check.type) >= 0; }),
              "every checked type is a security type");

constexpr const char* kPlaceholder = "AdditionalInformation1";
constexpr const char* kFillInMessage = "Please fill in the 'AdditionalInformation1' field ";
constexpr const char* kDigitMessage = "The value must be a digit.  'AdditionalInformation1'";
constexpr const char* kExchangesCaption = "Edit exchanges list for ";
constexpr const char* kCurrenciesCaption = "Edit currencies list";
}  // namespace

frmAddTicker::frmAddTicker(const UiEnvironment& environment, CErrorHandler& errors)
    : Form(*environment.host, "frmAddTicker"),
      environment_(environment),
      errors_(errors),
      protocol_(errors, std::string(pelorin::kLibraryName) + ".frmAddTicker") {
    Caption("Add new ticker");
    // The labels the validation messages name the fields by.
    ComType.ToolTipText("Type");
    for (std::size_t index = 0; index < kSecurityTypes.size(); ++index) {
        const Page fields = page(index);
        fields.ticker->ToolTipText("Ticker");
        fields.exchange->ToolTipText("Exchange");
        fields.currency->ToolTipText("Currency");
        if (fields.expiry != nullptr) fields.expiry->ToolTipText("Expiry");
        if (fields.right != nullptr) fields.right->ToolTipText("Right");
        if (fields.multiplier != nullptr) fields.multiplier->ToolTipText("Multiplier");
        if (fields.primary_exchange != nullptr) fields.primary_exchange->ToolTipText("Primary Exchange");
    }
    ButInsert.ToolTipText("Add Symbol to Project");
    ButInsertNew.ToolTipText("Add Symbol to Project");

    ComType.Click = [this] { ComType_Click(); };
    ButInsert.Click = [this] { ButInsert_Click(); };
    ButInsertNew.Click = [this] { ButInsertNew_Click(); };
    ButCancel.Click = [this] { ButCancel_Click(); };
    ButSTKExchange.Click = [this] { ButSTKExchange_Click(); };
    ButOPTExchange.Click = [this] { ButOPTExchange_Click(); };
    ButFUTExchange.Click = [this] { ButFUTExchange_Click(); };
    ButINDExchange.Click = [this] { ButINDExchange_Click(); };
    ButFOPExchange.Click = [this] { ButFOPExchange_Click(); };
    ButCASHExchange.Click = [this] { ButCASHExchange_Click(); };
    ButSTKCurency.Click = [this] { ButSTKCurency_Click(); };
    ButOPTCurency.Click = [this] { ButOPTCurency_Click(); };
    ButFUTCurency.Click = [this] { ButFUTCurency_Click(); };
    ButINDCurency.Click = [this] { ButINDCurency_Click(); };
    ButFOPCurency.Click = [this] { ButFOPCurency_Click(); };
    ButCASHCurency.Click = [this] { ButCASHCurency_Click(); };
}

frmAddTicker::~frmAddTicker() = default;

frmAddTicker::Page frmAddTicker::page(std::size_t index) {
    const std::array<Page, kSecurityTypes.size()> pages = {{
        {&txtSTKSymbol, &ComSTKExchange, &ComSTKCurency, nullptr, nullptr, nullptr, &txtPrimaryExchange},
        {&txtOPTSymbol, &ComOPTExchange, &ComOPTCurency, &txtOPTExpiry, &ComOPTRight, &txtOPTMultiplier,
         nullptr},
        {&txtFUTSymbol, &ComFUTExchange, &ComFUTCurency, &txtFUTExpiry, nullptr, &txtFUTMultiplier, nullptr},
        {&txtINDSymbol, &ComINDExchange, &ComIndCurency, nullptr, nullptr, nullptr, nullptr},
        {&txtFOPSymbol, &ComFOPExchange, &ComFOPCurency, &txtFOPExpiry, &ComFOPRight, nullptr, nullptr},
        {&txtCASHSymbol, &ComCASHExchange, &ComCASHCurency, nullptr, nullptr, nullptr, nullptr},
    }};
    return pages.at(index);
}

void frmAddTicker::Form_Load() {
    protocol_("Form_Load", [&](Statements& s) {
        s([&] { form_restore_ = std::make_unique<CFormRestore>(host().screen()); });
        s([&] { form_restore_->Init(app_settings_, true); });
        s([&] { form_restore_->GetPosition(*this); });
        s([&] { LoadParamert(); });
        s([&] { ComType.Clear(); });
        for (std::int32_t tab = 0; tab < CIndexType.NumTabs(); ++tab) {
            s([&] { ComType.AddItem(CIndexType.TabCaption(tab)); });
        }
        s([&] { ComType.ListIndex(com_type_list_index_ < 0 ? 0 : com_type_list_index_); });
    });
}

void frmAddTicker::ComType_Click() {
    protocol_("ComType_Click", [&](Statements& s) { s([&] { CIndexType.CurrTab(ComType.ListIndex()); }); });
}

// A failure that reaches the click itself (not one its checks and saving handle themselves) ends the
// click without a word, leaving the dialog as it is at that moment.
void frmAddTicker::insert(const char* procedure, const char* result) {
    protocol_(
        procedure,
        [&](Statements& s) {
            if (!s([&] { return CheckParametr(); })) return;
            s([&] { SaveParamert(); });
            if (form_restore_) {
                s([&] { form_restore_->SavePosition(*this); });
                s([&] { form_restore_.reset(); });
            }
            s([&] { Hide(); });
            s([&] { Tag(result); });
        },
        Trap::LeaveQuietly);
}

void frmAddTicker::ButInsert_Click() {
    insert("ButInsert_Click", "1");
}
void frmAddTicker::ButInsertNew_Click() {
    insert("ButInsertNew_Click", "4");
}

void frmAddTicker::ButCancel_Click() {
    protocol_("ButCancel_Click", [&](Statements& s) {
        s([&] { Tag("2"); });
        s([&] { Hide(); });
    });
}

void frmAddTicker::edit_list(const char* procedure, Combo& list, bool exchanges) {
    protocol_(procedure, [&](Statements& s) {
        const std::string caption = exchanges ? s([&] { return kExchangesCaption + ComType.Text(); })
                                              : std::string(kCurrenciesCaption);
        s([&] { RunfrmModifyList(list, caption); });
    });
}

void frmAddTicker::ButSTKExchange_Click() {
    edit_list("ButSTKExchange_Click", ComSTKExchange, true);
}
void frmAddTicker::ButOPTExchange_Click() {
    edit_list("ButOPTExchange_Click", ComOPTExchange, true);
}
void frmAddTicker::ButFUTExchange_Click() {
    edit_list("ButFUTExchange_Click", ComFUTExchange, true);
}
void frmAddTicker::ButINDExchange_Click() {
    edit_list("ButINDExchange_Click", ComINDExchange, true);
}
void frmAddTicker::ButFOPExchange_Click() {
    edit_list("ButFOPExchange_Click", ComFOPExchange, true);
}
void frmAddTicker::ButCASHExchange_Click() {
    edit_list("ButCASHExchange_Click", ComCASHExchange, true);
}
void frmAddTicker::ButSTKCurency_Click() {
    edit_list("ButSTKCurency_Click", ComSTKCurency, false);
}
void frmAddTicker::ButOPTCurency_Click() {
    edit_list("ButOPTCurency_Click", ComOPTCurency, false);
}
void frmAddTicker::ButFUTCurency_Click() {
    edit_list("ButFUTCurency_Click", ComFUTCurency, false);
}
void frmAddTicker::ButINDCurency_Click() {
    edit_list("ButINDCurency_Click", ComIndCurency, false);
}
void frmAddTicker::ButFOPCurency_Click() {
    edit_list("ButFOPCurency_Click", ComFOPCurency, false);
}
void frmAddTicker::ButCASHCurency_Click() {
    edit_list("ButCASHCurency_Click", ComCASHCurency, false);
}

bool frmAddTicker::CheckParametr() {
    bool passed = false;
    protocol_("CheckParametr", [&](Statements& s) {
        const std::string type = s([&] { return ComType.Text(); });
        const NumberSeparators separators = s([&] { return environment_.locale->number_separators(); });
        for (const FieldCheck& check : kChecks) {
            if (check.type != type) continue;
            forms::TextBox& field = this->*check.field;
            const bool valid = check.check == Check::NotEmpty ? !field.Text().empty()
                                                              : is_locale_numeric(field.Text(), separators);
            if (valid) continue;
            const char* message = check.check == Check::NotEmpty ? kFillInMessage : kDigitMessage;
            s([&] {
                MsgBox(replace_all(message, kPlaceholder, field.ToolTipText()), msgbox::kCritical,
                       pelorin::kMessageTitle);
            });
            s([&] { field.SetFocus(); });
            return;
        }
        passed = true;
    });
    return passed;
}

}  // namespace corvel
