#include "ui/forms/grid.h"

#include <algorithm>

namespace corvel::forms {

Grid::Grid(Container& parent, std::string name, std::vector<std::string> headers)
    : Control(parent, std::move(name)) {
    cols_ = static_cast<std::int32_t>(headers.size());
    if (!headers.empty()) {
        fixed_rows_ = 1;
        cells_.push_back(std::move(headers));
        row_data_.emplace_back();
        col_ = 0;
    }
}

void Grid::move_to(std::int32_t row, std::int32_t col) {
    if (row == row_ && col == col_) return;
    const std::int32_t old_row = row_;
    const std::int32_t old_col = col_;
    row_ = row;
    col_ = col;
    changed(Property::Selection);
    AfterSelChange(old_row, old_col, row_, col_);
}

void Grid::Rows(std::int32_t value) {
    if (value < 0) raise(control_error::kInvalidPropertyValue, "Invalid property value");
    cells_.resize(static_cast<std::size_t>(value), std::vector<std::string>(static_cast<std::size_t>(cols_)));
    row_data_.resize(static_cast<std::size_t>(value));
    fixed_rows_ = std::min(fixed_rows_, value);
    changed(Property::Cells);
    if (row_ >= value) move_to(value - 1, col_);
}

void Grid::Cols(std::int32_t value) {
    if (value < 0) raise(control_error::kInvalidPropertyValue, "Invalid property value");
    cols_ = value;
    for (auto& row : cells_)
        row.resize(static_cast<std::size_t>(value));
    changed(Property::Cells);
    if (col_ >= value) move_to(row_, value - 1);
}

void Grid::FixedRows(std::int32_t value) {
    if (value < 0 || value > Rows()) raise(control_error::kInvalidPropertyValue, "Invalid property value");
    fixed_rows_ = value;
    changed(Property::Cells);
}

void Grid::Row(std::int32_t value) {
    if (value < -1 || value >= Rows()) raise(control_error::kInvalidPropertyValue, "Invalid property value");
    move_to(value, col_ < 0 && cols_ > 0 ? 0 : col_);
}

void Grid::Col(std::int32_t value) {
    if (value < -1 || value >= cols_) raise(control_error::kInvalidPropertyValue, "Invalid property value");
    move_to(row_, value);
}

void Grid::check_cell(std::int32_t row, std::int32_t col) const {
    if (row < 0 || row >= Rows() || col < 0 || col >= cols_) {
        raise(control_error::kInvalidPropertyArrayIndex, "Invalid property array index");
    }
}

const std::string& Grid::TextMatrix(std::int32_t row, std::int32_t col) const {
    check_cell(row, col);
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void Grid::TextMatrix(std::int32_t row, std::int32_t col, std::string_view value) {
    check_cell(row, col);
    cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = value;
    changed(Property::Cells);
}

const std::string& Grid::RowData(std::int32_t row) const {
    check_cell(row, 0);
    return row_data_[static_cast<std::size_t>(row)];
}

void Grid::RowData(std::int32_t row, std::string_view value) {
    check_cell(row, 0);
    row_data_[static_cast<std::size_t>(row)] = value;
}

void Grid::AddItem(std::string_view text, std::int32_t index) {
    if (index == -1) index = Rows();
    if (index < 0 || index > Rows()) raise(control_error::kInvalidPropertyValue, "Invalid property value");
    std::vector<std::string> row(static_cast<std::size_t>(cols_));
    std::size_t start = 0;
    for (std::size_t c = 0; c < row.size() && start <= text.size(); ++c) {
        const std::size_t tab = text.find('\t', start);
        row[c] = text.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    cells_.insert(cells_.begin() + index, std::move(row));
    row_data_.insert(row_data_.begin() + index, std::string());
    if (row_ >= index) ++row_;
    changed(Property::Cells);
}

void Grid::RemoveItem(std::int32_t row) {
    if (row < 0 || row >= Rows()) raise(control_error::kInvalidPropertyValue, "Invalid property value");
    cells_.erase(cells_.begin() + row);
    row_data_.erase(row_data_.begin() + row);
    fixed_rows_ = std::min(fixed_rows_, Rows());
    changed(Property::Cells);
    if (row < row_) {
        --row_;
    } else if (row_ >= Rows()) {
        move_to(Rows() - 1, col_);
    }
}

void Grid::user_select_row(std::int32_t row) {
    SetFocus();
    Row(row);
}

}  // namespace corvel::forms
