#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/variant.h"
#include "platform/memory/memory_application.h"
#include "platform/memory/memory_workbook.h"
#include "platform/memory/memory_worksheet.h"
#include "ui/tape/tape_names.h"

namespace corvel::workbook {

// One contract row of the quotes worksheet: its nine values in column order.
struct QuotesContract {
    Variant ticker;
    Variant type;
    Variant expiry;
    Variant strike;
    Variant right;
    Variant multiplier;
    Variant exchange;
    Variant primary_exchange;
    Variant currency;
};

// One row of the tape table: header text, link formula, size header text and tape location.
struct TapeRow {
    std::string name;
    std::string link;
    std::string size_name;
    std::string location;
};

// Lays out a workbook the way the add-in builds one, in an in-memory application: the quotes sheet
// "TWS_Quotes" with its contract header named "TWS_Symbol", the contract rows below it and a column
// per market-data field named by the field's workbook name; the tape table sheet
// "Ticker_tape_settings" with its header cell named "Tape_header_for_Ticker" and the tape rows below
// it (odd rows filled as the tape writer fills them); and any further sheets.
class QuotesWorkbookBuilder {
  public:
    // The workbook names of the ten market-data fields, in the order the quotes sheet carries them.
    static const std::vector<std::string>& all_fields();

    // The cell of the contract header (default "A4", so the first contract is on row 5).
    QuotesWorkbookBuilder& symbol_header(std::string cell);
    // The field columns the quotes sheet carries, after the nine contract columns (default: all ten).
    QuotesWorkbookBuilder& fields(std::vector<std::string> names);
    QuotesWorkbookBuilder& contract(QuotesContract row);
    // A stock contract: ticker, "STK", exchange and currency (either may be empty).
    QuotesWorkbookBuilder& stock(std::string ticker, std::string exchange = "SMART",
                                 std::string currency = "USD");
    // The cell of the tape table's header (default "A3").
    QuotesWorkbookBuilder& tape_header(std::string cell);
    QuotesWorkbookBuilder& tape(TapeRow row);
    // Leaves out the tape table sheet and its name.
    QuotesWorkbookBuilder& without_tape_table();
    // A further, empty worksheet.
    QuotesWorkbookBuilder& sheet(std::string name);
    // The sheet the user is on when the workbook is handed over (default "TWS_Quotes").
    QuotesWorkbookBuilder& active_sheet(std::string name);

    std::shared_ptr<MemoryApplication> build() const;

  private:
    void lay_out_quotes(MemoryWorkbook& book) const;
    void lay_out_tape_table(MemoryWorkbook& book) const;

    std::string symbol_header_ = "A4";
    std::vector<std::string> fields_ = all_fields();
    std::vector<QuotesContract> contracts_;
    std::string tape_header_ = "A3";
    std::vector<TapeRow> tapes_;
    bool tape_table_ = true;
    std::vector<std::string> sheets_;
    std::string active_sheet_ = tape::kQuotesSheet;
};

}  // namespace corvel::workbook
