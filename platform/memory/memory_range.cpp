#include "platform/memory/memory_range.h"

#include <vector>

#include "platform/memory/memory_application.h"
#include "platform/memory/memory_errors.h"
#include "platform/memory/memory_workbook.h"
#include "platform/memory/memory_worksheet.h"

namespace corvel::workbook {

namespace {
class MemoryInterior final : public Interior {
  public:
    MemoryInterior(std::shared_ptr<MemoryWorksheet> sheet, CellArea area)
        : sheet_(std::move(sheet)), area_(area) {}
    std::optional<std::int32_t> ColorIndex() const override { return sheet_->fill(area_); }
    void ColorIndex(std::int32_t value) override { sheet_->fill(area_, value); }

  private:
    std::shared_ptr<MemoryWorksheet> sheet_;
    CellArea area_;
};

class MemoryBorder final : public Border {
  public:
    using Property = MemoryWorksheet::BorderProperty;
    MemoryBorder(std::shared_ptr<MemoryWorksheet> sheet, CellArea area, std::int32_t index)
        : sheet_(std::move(sheet)), area_(area), index_(index) {}
    std::optional<std::int32_t> LineStyle() const override {
        return sheet_->border(area_, index_, Property::LineStyle);
    }
    void LineStyle(std::int32_t value) override { sheet_->border(area_, index_, Property::LineStyle, value); }
    std::optional<std::int32_t> Weight() const override {
        return sheet_->border(area_, index_, Property::Weight);
    }
    void Weight(std::int32_t value) override { sheet_->border(area_, index_, Property::Weight, value); }
    std::optional<std::int32_t> ColorIndex() const override {
        return sheet_->border(area_, index_, Property::ColorIndex);
    }
    void ColorIndex(std::int32_t value) override {
        sheet_->border(area_, index_, Property::ColorIndex, value);
    }

  private:
    std::shared_ptr<MemoryWorksheet> sheet_;
    CellArea area_;
    std::int32_t index_;
};
}  // namespace

MemoryRange::MemoryRange(std::shared_ptr<MemoryWorksheet> sheet, CellArea area, Counting counting)
    : sheet_(std::move(sheet)), area_(area), counting_(counting) {}

std::shared_ptr<MemoryRange> MemoryRange::area_range(const CellArea& area, const char* method) const {
    if (!area.valid())
        raise_object_error(std::string("Application-defined or object-defined error (") + method + ")");
    return std::make_shared<MemoryRange>(sheet_, area);
}

std::shared_ptr<Worksheet> MemoryRange::Worksheet() const {
    return sheet_;
}

std::shared_ptr<Range> MemoryRange::Cells(std::int32_t RowIndex, std::int32_t ColumnIndex) const {
    const std::int64_t row = std::int64_t{area_.top} + RowIndex - 1;
    const std::int64_t column = std::int64_t{area_.left} + ColumnIndex - 1;
    if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) {
        raise_object_error("Application-defined or object-defined error (Cells)");
    }
    const auto r = static_cast<std::int32_t>(row);
    const auto c = static_cast<std::int32_t>(column);
    return area_range(CellArea{r, c, r, c}, "Cells");
}

std::shared_ptr<Range> MemoryRange::Resize(std::int32_t RowSize, std::int32_t ColumnSize) const {
    const std::int64_t bottom = std::int64_t{area_.top} + RowSize - 1;
    const std::int64_t right = std::int64_t{area_.left} + ColumnSize - 1;
    if (RowSize < 1 || ColumnSize < 1 || bottom > kMaxRows || right > kMaxColumns) {
        raise_object_error("Application-defined or object-defined error (Resize)");
    }
    return area_range(
        CellArea{area_.top, area_.left, static_cast<std::int32_t>(bottom), static_cast<std::int32_t>(right)},
        "Resize");
}

std::shared_ptr<Range> MemoryRange::Rows() const {
    return std::make_shared<MemoryRange>(sheet_, area_, Counting::Rows);
}

std::shared_ptr<Range> MemoryRange::Columns() const {
    return std::make_shared<MemoryRange>(sheet_, area_, Counting::Columns);
}

std::shared_ptr<Range> MemoryRange::EntireColumn() const {
    return area_range(CellArea{1, area_.left, kMaxRows, area_.right}, "EntireColumn");
}

std::int64_t MemoryRange::Count() const {
    switch (counting_) {
        case Counting::Rows:
            return area_.rows();
        case Counting::Columns:
            return area_.columns();
        case Counting::Cells:
            break;
    }
    return area_.cells();
}

std::string MemoryRange::Address(bool RowAbsolute, bool ColumnAbsolute) const {
    return a1_address(area_, RowAbsolute, ColumnAbsolute);
}

RangeValue MemoryRange::Value() const {
    if (area_.cells() == 1) return RangeValue(sheet_->value_at(area_.top, area_.left));
    check_operation_size(area_);
    sheet_->workbook()->application()->count_block_read();
    std::vector<Variant> cells;
    cells.reserve(static_cast<std::size_t>(area_.cells()));
    for (std::int32_t row = area_.top; row <= area_.bottom; ++row) {
        for (std::int32_t column = area_.left; column <= area_.right; ++column) {
            cells.push_back(sheet_->value_at(row, column));
        }
    }
    return RangeValue(area_.rows(), area_.columns(), std::move(cells));
}

void MemoryRange::Value(const Variant& value) {
    sheet_->write_value(area_, value);
}

std::string MemoryRange::FormulaLocal() const {
    return sheet_->formula_at(area_.top, area_.left);
}

RangeValue MemoryRange::FormulaLocalBlock() const {
    if (area_.cells() == 1) return RangeValue(Variant(sheet_->formula_at(area_.top, area_.left)));
    check_operation_size(area_);
    sheet_->workbook()->application()->count_block_read();
    std::vector<Variant> cells;
    cells.reserve(static_cast<std::size_t>(area_.cells()));
    for (std::int32_t row = area_.top; row <= area_.bottom; ++row) {
        for (std::int32_t column = area_.left; column <= area_.right; ++column) {
            cells.push_back(Variant(sheet_->formula_at(row, column)));
        }
    }
    return RangeValue(area_.rows(), area_.columns(), std::move(cells));
}

void MemoryRange::FormulaLocal(std::string_view formula) {
    sheet_->write_formula(area_, formula);
}

std::shared_ptr<Interior> MemoryRange::Interior() const {
    return std::make_shared<MemoryInterior>(sheet_, area_);
}

std::shared_ptr<Border> MemoryRange::Borders(std::int32_t Index) const {
    if (Index < xlDiagonalDown || Index > xlInsideHorizontal) {
        raise_object_error("Unable to get the Borders property of the Range class");
    }
    return std::make_shared<MemoryBorder>(sheet_, area_, Index);
}

std::optional<double> MemoryRange::ColumnWidth() const {
    return sheet_->column_width(area_);
}

void MemoryRange::ColumnWidth(double value) {
    sheet_->column_width(area_, value);
}

void MemoryRange::AutoFit() {
    if (area_.whole_columns()) return sheet_->autofit_columns(area_);
    if (area_.whole_rows()) return;  // rows keep their height: the in-memory sheet has no fonts
    raise_method_failed("AutoFit", "Range");
}

std::shared_ptr<Range> MemoryRange::SpecialCells(std::int32_t Type) const {
    if (Type != xlCellTypeLastCell) raise_object_error("The in-memory workbook finds only the last cell");
    const auto [row, column] = sheet_->last_cell();
    return area_range(CellArea{row, column, row, column}, "SpecialCells");
}

std::shared_ptr<Range> MemoryRange::Find(std::string_view What, XlSearchOrder SearchOrder,
                                         XlSearchDirection SearchDirection) const {
    const auto found = sheet_->find(area_, What, SearchOrder, SearchDirection);
    if (!found) return nullptr;
    return area_range(CellArea{found->first, found->second, found->first, found->second}, "Find");
}

void MemoryRange::Select() {
    sheet_->select(area_);
}

}  // namespace corvel::workbook
