#pragma once

#include <string>

#include "seams/locale_format.h"
#include "ui/ticker_entry/frm_add_ticker.h"

namespace corvel {

// The contract `AddNewSymbol` hands back: in this order, the nine columns of a row of the add-in's
// contract table. Values a type has no field for stay empty or 0; no type has a strike.
struct NewSymbol {
    std::string Symbol;
    std::string TypeSymbol;
    std::string Expiry;
    double Strike = 0.0;
    std::string RightPC;
    double Multiplier = 0.0;
    std::string Exchange;
    std::string PrimaryExchange;
    std::string TypeCurrency;
};

// The contract on the page of the type the dialog's type selector shows, texts as displayed and the
// multiplier read the way the user's locale writes numbers. A selector naming no type (letter case
// counts) gives the empty contract. A multiplier that is no number raises "Type mismatch" (13).
NewSymbol read_new_symbol(frmAddTicker& dialog, const NumberSeparators& separators);

}  // namespace corvel
