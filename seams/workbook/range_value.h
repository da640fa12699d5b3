#pragma once

#include <cstdint>
#include <vector>

#include "common/variant.h"

namespace corvel::workbook {

// What a range's `Value` gives: one value for a single cell, a block of values for more, addressed
// by 1-based row and column as an automation caller's two-dimensional array is.
class RangeValue {
  public:
    // One cell's value.
    explicit RangeValue(Variant single);
    // A block, row by row.
    RangeValue(std::int32_t rows, std::int32_t columns, std::vector<Variant> cells);

    bool is_block() const noexcept { return block_; }
    std::int32_t rows() const noexcept { return rows_; }
    std::int32_t columns() const noexcept { return columns_; }
    // The value at (row, column), both from 1; a single value is at (1, 1). Raises "Subscript out of
    // range" outside.
    const Variant& operator()(std::int32_t row, std::int32_t column) const;
    // The single value, or the block's first.
    const Variant& single() const noexcept { return cells_.front(); }

  private:
    bool block_;
    std::int32_t rows_;
    std::int32_t columns_;
    std::vector<Variant> cells_;
};

}  // namespace corvel::workbook
