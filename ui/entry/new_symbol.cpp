#include "ui/entry/new_symbol.h"

#include "common/automation_error.h"
#include "ui/services/locale_number.h"
#include "ui/services/pelorin.h"

namespace corvel {

namespace {
std::string text_of(const forms::TextBox* field) {
    return field != nullptr ? field->Text() : std::string();
}
std::string text_of(const forms::ComboBox* list) {
    return list != nullptr ? list->Text() : std::string();
}

double number_of(const forms::TextBox* field, const NumberSeparators& separators) {
    if (field == nullptr) return 0.0;
    const auto value = parse_locale_number(field->Text(), separators);
    if (!value)
        throw AutomationError(vb_error::kTypeMismatch, pelorin::kLibraryName, vb_error::kTypeMismatchText);
    return *value;
}
}  // namespace

NewSymbol read_new_symbol(frmAddTicker& dialog, const NumberSeparators& separators) {
    const SecurityType* type = find_security_type(dialog.ComType.Text());
    if (type == nullptr) return {};
    const frmAddTicker::Page page = dialog.page(static_cast<std::size_t>(type->index));
    NewSymbol symbol;
    symbol.Symbol = text_of(page.ticker);
    symbol.TypeSymbol = type->code;
    symbol.Expiry = text_of(page.expiry);
    symbol.RightPC = text_of(page.right);
    symbol.Multiplier = number_of(page.multiplier, separators);
    symbol.Exchange = text_of(page.exchange);
    symbol.PrimaryExchange = text_of(page.primary_exchange);
    symbol.TypeCurrency = text_of(page.currency);
    return symbol;
}

}  // namespace corvel
