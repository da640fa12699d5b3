#include "tests/support/quotes_workbook_builder.h"

#include "common/text.h"
#include "platform/memory/memory_errors.h"
#include "platform/memory/memory_range.h"
#include "ui/tape/tape_names.h"

namespace corvel::workbook {

namespace {
using tape::kQuotesSheet;
using tape::kTapeSheet;

CellArea cell_of(const std::string& text) {
    const auto area = parse_a1(text);
    if (!area || area->cells() != 1) raise_object_error("Not a single cell: " + text);
    return *area;
}

// A text is put in as the cell's text, never read as a formula or losing a leading quote.
void put(MemoryWorksheet& sheet, std::int32_t row, std::int32_t column, const Variant& value) {
    const std::string* text = value.string_if();
    sheet.write_value(CellArea{row, column, row, column},
                      text && !text->empty() ? Variant("'" + *text) : value);
}

void name_cell(MemoryWorkbook& book, const std::string& name, const std::string& sheet, std::int32_t row,
               std::int32_t column) {
    book.add_name(name, "=" + sheet + "!" + a1_address(CellArea{row, column, row, column}, true, true));
}
}  // namespace

const std::vector<std::string>& QuotesWorkbookBuilder::all_fields() {
    static const std::vector<std::string> kFields = {
        tape::kLastPrice, tape::kLastSize, tape::kBidPrice, tape::kBidSize, tape::kAskPrice,
        tape::kAskSize,   tape::kHigh,     tape::kLow,      tape::kVolume,  tape::kClose};
    return kFields;
}

QuotesWorkbookBuilder& QuotesWorkbookBuilder::symbol_header(std::string cell) {
    symbol_header_ = std::move(cell);
    return *this;
}

QuotesWorkbookBuilder& QuotesWorkbookBuilder::fields(std::vector<std::string> names) {
    fields_ = std::move(names);
    return *this;
}

QuotesWorkbookBuilder& QuotesWorkbookBuilder::contract(QuotesContract row) {
    contracts_.push_back(std::move(row));
    return *this;
}

QuotesWorkbookBuilder& QuotesWorkbookBuilder::stock(std::string ticker, std::string exchange,
                                                    std::string currency) {
    return contract(QuotesContract{
        std::move(ticker), "STK", {}, 0.0, {}, 1.0, std::move(exchange), {}, std::move(currency)});
}

QuotesWorkbookBuilder& QuotesWorkbookBuilder::tape_header(std::string cell) {
    tape_header_ = std::move(cell);
    return *this;
}

QuotesWorkbookBuilder& QuotesWorkbookBuilder::tape(TapeRow row) {
    tapes_.push_back(std::move(row));
    return *this;
}

QuotesWorkbookBuilder& QuotesWorkbookBuilder::without_tape_table() {
    tape_table_ = false;
    return *this;
}

QuotesWorkbookBuilder& QuotesWorkbookBuilder::sheet(std::string name) {
    sheets_.push_back(std::move(name));
    return *this;
}

QuotesWorkbookBuilder& QuotesWorkbookBuilder::active_sheet(std::string name) {
    active_sheet_ = std::move(name);
    return *this;
}

void QuotesWorkbookBuilder::lay_out_quotes(MemoryWorkbook& book) const {
    static const char* const kHeadings[] = {"Ticker",     "Type",     "Expiry",           "Strike",  "P/C",
                                            "Multiplier", "Exchange", "Primary Exchange", "Currency"};
    const auto sheet = book.add_sheet(kQuotesSheet);
    const CellArea header = cell_of(symbol_header_);
    std::int32_t column = header.left;
    for (const char* heading : kHeadings)
        put(*sheet, header.top, column++, heading);
    name_cell(book, tape::kSymbolName, kQuotesSheet, header.top, header.left);
    for (const auto& field : fields_) {
        // "TWS_Bid_Price" heads its column as "Bid Price".
        put(*sheet, header.top, column, replace_all(field.substr(field.find('_') + 1), "_", " "));
        name_cell(book, field, kQuotesSheet, header.top, column++);
    }
    std::int32_t row = header.top + 1;
    for (const auto& c : contracts_) {
        std::int32_t at = header.left;
        for (const Variant* value : {&c.ticker, &c.type, &c.expiry, &c.strike, &c.right, &c.multiplier,
                                     &c.exchange, &c.primary_exchange, &c.currency}) {
            put(*sheet, row, at++, *value);
        }
        ++row;
    }
}

void QuotesWorkbookBuilder::lay_out_tape_table(MemoryWorkbook& book) const {
    static const char* const kHeadings[] = {"Tape header for Ticker", "Link to ticker",
                                            "Tape header for Size", "Tape location"};
    const auto sheet = book.add_sheet(kTapeSheet);
    const CellArea header = cell_of(tape_header_);
    for (std::int32_t i = 0; i < 4; ++i)
        put(*sheet, header.top, header.left + i, kHeadings[i]);
    name_cell(book, tape::kTapeHeaderName, kTapeSheet, header.top, header.left);
    std::int32_t row = header.top + 1;
    for (const auto& tape : tapes_) {
        put(*sheet, row, header.left, tape.name);
        sheet->write_formula(CellArea{row, header.left + 1, row, header.left + 1}, tape.link);
        put(*sheet, row, header.left + 2, tape.size_name);
        put(*sheet, row, header.left + 3, tape.location);
        if (row % 2 == 1) sheet->fill(CellArea{row, header.left, row, header.left + 3}, tape::kOddRowFill);
        ++row;
    }
}

std::shared_ptr<MemoryApplication> QuotesWorkbookBuilder::build() const {
    auto application = std::make_shared<MemoryApplication>();
    const auto book = application->add_workbook("Quotes.xlsx");
    lay_out_quotes(*book);
    if (tape_table_) lay_out_tape_table(*book);
    for (const auto& name : sheets_)
        book->add_sheet(name);
    const auto active = book->sheet(active_sheet_);
    if (!active) raise_object_error("No sheet to activate: " + active_sheet_);
    book->activate_sheet(*active);
    return application;
}

}  // namespace corvel::workbook
