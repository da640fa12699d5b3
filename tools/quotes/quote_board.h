#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "market_data/quote_contract.h"

namespace corvel::quotes {

// The live board: one row per contract with the latest value of each of the ten quote fields, how
// many records arrived for it and when the last one did.
class QuoteBoard {
  public:
    struct Row {
        std::string label;
        double values[10] = {};  // by tick type 0 to 9
        bool has[10] = {};
        std::uint64_t updates = 0;
        double last_update = 0;  // local time as an OLE date; 0 before the first record
    };

    explicit QuoteBoard(const std::vector<QuoteContract>& contracts);

    // A delivered record of subscription `id` (the 1-based row). Records of other ids or of types
    // outside 0 to 9 still count as updates of their row, when there is one.
    void apply(std::int32_t id, std::int32_t tick_type, double value, double date);

    const std::vector<Row>& rows() const noexcept { return rows_; }
    // The heading line and one line per row, columns aligned.
    std::vector<std::string> render() const;

  private:
    std::vector<Row> rows_;
};

// Numbers as the board and the record streams print them: the shortest text that reads back as the
// same value, without an exponent for the sizes and prices a market has.
std::string format_value(double value);
void append_value(std::string& out, double value);
// "HH:MM:SS.mmm" of an OLE date.
std::string format_time_of_day(double date);
// "YYYY-MM-DDTHH:MM:SS.mmm" of an OLE date (local time, ISO 8601).
std::string format_iso_time(double date);
void append_iso_time(std::string& out, double date);

}  // namespace corvel::quotes
