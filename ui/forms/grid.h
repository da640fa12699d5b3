#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/forms/control.h"
#include "ui/forms/event.h"

namespace corvel::forms {

// A grid of text cells with fixed (header) rows at the top, a text of row data per row, and a current
// cell (`Row`, `Col`; -1 when there is none). Every change of the current cell, by the user or by code,
// raises AfterSelChange(old row, old column, new row, new column); so does a shrink that takes the
// current row away (the last remaining row becomes current).
class Grid final : public Control {
  public:
    // One fixed row holding `headers`, as many columns as headers; no headers, no fixed row.
    Grid(Container& parent, std::string name, std::vector<std::string> headers = {});
    const char* kind() const noexcept override { return "grid"; }

    std::int32_t Rows() const noexcept { return static_cast<std::int32_t>(cells_.size()); }
    void Rows(std::int32_t value);
    std::int32_t Cols() const noexcept { return cols_; }
    void Cols(std::int32_t value);
    std::int32_t FixedRows() const noexcept { return fixed_rows_; }
    void FixedRows(std::int32_t value);

    std::int32_t Row() const noexcept { return row_; }
    void Row(std::int32_t value);
    std::int32_t Col() const noexcept { return col_; }
    void Col(std::int32_t value);

    const std::string& TextMatrix(std::int32_t row, std::int32_t col) const;
    void TextMatrix(std::int32_t row, std::int32_t col, std::string_view value);
    const std::string& RowData(std::int32_t row) const;
    void RowData(std::int32_t row, std::string_view value);

    // Adds a row whose cells are the tab-separated parts of `text`, at `index` (-1: at the end).
    void AddItem(std::string_view text, std::int32_t index = -1);
    void RemoveItem(std::int32_t row);

    Event<std::int32_t, std::int32_t, std::int32_t, std::int32_t> AfterSelChange;

    // The user clicked a row.
    void user_select_row(std::int32_t row);

  private:
    void check_cell(std::int32_t row, std::int32_t col) const;
    void move_to(std::int32_t row, std::int32_t col);

    std::vector<std::vector<std::string>> cells_;
    std::vector<std::string> row_data_;
    std::int32_t cols_ = 0;
    std::int32_t fixed_rows_ = 0;
    std::int32_t row_ = -1;
    std::int32_t col_ = -1;
};

}  // namespace corvel::forms
