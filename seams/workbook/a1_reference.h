#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvel::workbook {

// The size of a worksheet.
inline constexpr std::int32_t kMaxRows = 1048576;
inline constexpr std::int32_t kMaxColumns = 16384;

// A rectangle of cells, 1-based, bounds included.
struct CellArea {
    std::int32_t top = 1;
    std::int32_t left = 1;
    std::int32_t bottom = 1;
    std::int32_t right = 1;

    std::int32_t rows() const noexcept { return bottom - top + 1; }
    std::int32_t columns() const noexcept { return right - left + 1; }
    std::int64_t cells() const noexcept { return static_cast<std::int64_t>(rows()) * columns(); }
    bool contains(std::int32_t row, std::int32_t column) const noexcept {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    bool whole_columns() const noexcept { return top == 1 && bottom == kMaxRows; }
    bool whole_rows() const noexcept { return left == 1 && right == kMaxColumns; }
    // Lies on a worksheet.
    bool valid() const noexcept {
        return top >= 1 && left >= 1 && top <= bottom && left <= right && bottom <= kMaxRows &&
               right <= kMaxColumns;
    }
    friend bool operator==(const CellArea&, const CellArea&) = default;
};

std::optional<CellArea> intersection(const CellArea& a, const CellArea& b) noexcept;

// The area of an A1 text: a cell ("B3", "$B$3"), a block of two cells ("b3:d22", "$D$22:$B$3"),
// whole columns ("$E:$E") or whole rows ("5:7"); letter case and "$" signs are free. Anything else,
// including positions off the sheet, is nullopt.
std::optional<CellArea> parse_a1(std::string_view text) noexcept;

// The A1 address of an area, with "$" before rows and columns as asked: $B$3 for a cell, $B$3:$D$22
// for a block, $E:$E for whole columns, $5:$5 for whole rows.
std::string a1_address(const CellArea& area, bool row_absolute, bool column_absolute);

// "A" for 1, "Z" for 26, "AA" for 27, ...
std::string column_letters(std::int32_t column);

// A range text taken apart at its sheet qualifier: "Sheet1!B3" gives sheet "Sheet1" and rest "B3",
// "'My Sheet'!A1" gives "My Sheet" (quotes removed, doubled quotes made single) and "A1"; a text
// without "!" has no sheet. A quoted name without its closing quote and "!", or a name that needs
// quotes and has none ("My Sheet!A1"), is nullopt.
struct SheetReference {
    std::optional<std::string> sheet;
    std::string_view rest;
};
std::optional<SheetReference> split_sheet_reference(std::string_view text);

// Where the sheet qualifier of a range text ends: the "!" after the closing quote of a quoted name
// ("'Q!1'!B3" gives 5; a doubled quote belongs to the name), else the first "!"; npos without one.
// A quoted name may hold a "!" of its own, so the first "!" is not always the one that splits.
std::size_t sheet_separator(std::string_view text) noexcept;

// A sheet name as a range text writes it, made the name itself: "'My Sheet'" gives "My Sheet",
// "'Bob''s'" gives "Bob's"; a name without quotes stays as it is.
std::string unquote_sheet_name(std::string_view text);

}  // namespace corvel::workbook
