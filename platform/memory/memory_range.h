#pragma once

#include <memory>

#include "seams/workbook/a1_reference.h"
#include "seams/workbook/range.h"

namespace corvel::workbook {

class MemoryWorksheet;

// A range of an in-memory worksheet: a rectangle of cells and what it counts.
class MemoryRange final : public Range {
  public:
    enum class Counting { Cells, Rows, Columns };

    MemoryRange(std::shared_ptr<MemoryWorksheet> sheet, CellArea area, Counting counting = Counting::Cells);

    const CellArea& area() const noexcept { return area_; }
    const std::shared_ptr<MemoryWorksheet>& sheet() const noexcept { return sheet_; }

    std::shared_ptr<workbook::Worksheet> Worksheet() const override;
    std::shared_ptr<Range> Cells(std::int32_t RowIndex, std::int32_t ColumnIndex) const override;
    std::shared_ptr<Range> Resize(std::int32_t RowSize, std::int32_t ColumnSize) const override;
    std::shared_ptr<Range> Rows() const override;
    std::shared_ptr<Range> Columns() const override;
    std::shared_ptr<Range> EntireColumn() const override;
    std::int64_t Count() const override;
    std::int32_t Row() const override { return area_.top; }
    std::int32_t Column() const override { return area_.left; }
    using Range::Address;
    std::string Address(bool RowAbsolute, bool ColumnAbsolute) const override;
    RangeValue Value() const override;
    void Value(const Variant& value) override;
    std::string FormulaLocal() const override;
    void FormulaLocal(std::string_view formula) override;
    RangeValue FormulaLocalBlock() const override;
    std::shared_ptr<workbook::Interior> Interior() const override;
    std::shared_ptr<Border> Borders(std::int32_t Index) const override;
    std::optional<double> ColumnWidth() const override;
    void ColumnWidth(double value) override;
    void AutoFit() override;
    std::shared_ptr<Range> SpecialCells(std::int32_t Type) const override;
    std::shared_ptr<Range> Find(std::string_view What, XlSearchOrder SearchOrder,
                                XlSearchDirection SearchDirection) const override;
    void Select() override;

  private:
    std::shared_ptr<MemoryRange> area_range(const CellArea& area, const char* method) const;

    std::shared_ptr<MemoryWorksheet> sheet_;
    CellArea area_;
    Counting counting_;
};

}  // namespace corvel::workbook
