#include "ui/entry/new_symbol.h"

#include "common/automation_error.h"
#include "common/locale_number.h"
#include "common/pelorin.h"

namespace corvel {

namespace {
double number_of(const forms::TextBox& field, const NumberSeparators& separators) {
    const auto value = parse_locale_number(field.Text(), separators);
    if (!value)
        throw AutomationError(vb_error::kTypeMismatch, pelorin::kLibraryName, vb_error::kTypeMismatchText);
    return *value;
}
}  // namespace

NewSymbol read_new_symbol(const frmAddTicker& d, const NumberSeparators& separators) {
    const SecurityType* type = find_security_type(d.ComType.Text());
    if (type == nullptr) return {};
    NewSymbol symbol;
    symbol.TypeSymbol = type->code;
    switch (type->index) {
        case 0:
            symbol.Symbol = d.txtSTKSymbol.Text();
            symbol.Exchange = d.ComSTKExchange.Text();
            symbol.TypeCurrency = d.ComSTKCurency.Text();
            symbol.PrimaryExchange = d.txtPrimaryExchange.Text();
            break;
        case 1:
            symbol.Symbol = d.txtOPTSymbol.Text();
            symbol.Exchange = d.ComOPTExchange.Text();
            symbol.TypeCurrency = d.ComOPTCurency.Text();
            symbol.Expiry = d.txtOPTExpiry.Text();
            symbol.RightPC = d.ComOPTRight.Text();
            symbol.Multiplier = number_of(d.txtOPTMultiplier, separators);
            break;
        case 2:
            symbol.Symbol = d.txtFUTSymbol.Text();
            symbol.Exchange = d.ComFUTExchange.Text();
            symbol.TypeCurrency = d.ComFUTCurency.Text();
            symbol.Expiry = d.txtFUTExpiry.Text();
            symbol.Multiplier = number_of(d.txtFUTMultiplier, separators);
            break;
        case 3:
            symbol.Symbol = d.txtINDSymbol.Text();
            symbol.Exchange = d.ComINDExchange.Text();
            symbol.TypeCurrency = d.ComIndCurency.Text();
            break;
        case 4:
            symbol.Symbol = d.txtFOPSymbol.Text();
            symbol.Exchange = d.ComFOPExchange.Text();
            symbol.TypeCurrency = d.ComFOPCurency.Text();
            symbol.Expiry = d.txtFOPExpiry.Text();
            symbol.RightPC = d.ComFOPRight.Text();
            break;
        default:
            symbol.Symbol = d.txtCASHSymbol.Text();
            symbol.Exchange = d.ComCASHExchange.Text();
            symbol.TypeCurrency = d.ComCASHCurency.Text();
            break;
    }
    return symbol;
}

}  // namespace corvel
