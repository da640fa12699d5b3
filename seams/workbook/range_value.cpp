#include "seams/workbook/range_value.h"

#include "common/automation_error.h"

namespace corvel::workbook {

RangeValue::RangeValue(Variant single) : block_(false), rows_(1), columns_(1) {
    cells_.push_back(std::move(single));
}

RangeValue::RangeValue(std::int32_t rows, std::int32_t columns, std::vector<Variant> cells)
    : block_(true), rows_(rows), columns_(columns), cells_(std::move(cells)) {
    if (rows_ < 1 || columns_ < 1 ||
        cells_.size() != static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_)) {
        throw AutomationError(vb_error::kInvalidProcedureCall, "RangeValue",
                              vb_error::kInvalidProcedureCallText);
    }
}

const Variant& RangeValue::operator()(std::int32_t row, std::int32_t column) const {
    if (row < 1 || row > rows_ || column < 1 || column > columns_) {
        throw AutomationError(vb_error::kSubscriptOutOfRange, "RangeValue",
                              vb_error::kSubscriptOutOfRangeText);
    }
    return cells_[static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(columns_) +
                  static_cast<std::size_t>(column - 1)];
}

}  // namespace corvel::workbook
