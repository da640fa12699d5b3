#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/variant.h"
#include "seams/workbook/border.h"
#include "seams/workbook/excel_constants.h"
#include "seams/workbook/interior.h"
#include "seams/workbook/range_value.h"

namespace corvel::workbook {

class Worksheet;

// A block of cells on one worksheet, as the spreadsheet's object model gives it: every member is a
// member of the model's range object with the same name, so a binding maps it one to one. A range
// obtained from `Rows` or `Columns` counts rows or columns; any other counts cells. Members that the
// model answers with "Nothing" return null; every failure raises an `AutomationError`.
class Range {
  public:
    virtual ~Range() = default;

    virtual std::shared_ptr<workbook::Worksheet> Worksheet() const = 0;

    // The cell at (row, column) counted from the top-left cell, 1-based; positions beyond the range
    // are allowed as long as they lie on the sheet.
    virtual std::shared_ptr<Range> Cells(std::int32_t RowIndex, std::int32_t ColumnIndex) const = 0;
    // A block of that size anchored at the top-left cell.
    virtual std::shared_ptr<Range> Resize(std::int32_t RowSize, std::int32_t ColumnSize) const = 0;
    virtual std::shared_ptr<Range> Rows() const = 0;
    virtual std::shared_ptr<Range> Columns() const = 0;
    // The whole columns the range spans.
    virtual std::shared_ptr<Range> EntireColumn() const = 0;
    virtual std::int64_t Count() const = 0;
    // The first row and column.
    virtual std::int32_t Row() const = 0;
    virtual std::int32_t Column() const = 0;

    // The A1 address without sheet name: absolute ("$A$5:$M$5") by default, without "$" where a
    // flag is false.
    std::string Address() const { return Address(true, true); }
    virtual std::string Address(bool RowAbsolute, bool ColumnAbsolute) const = 0;

    virtual RangeValue Value() const = 0;
    // Puts the value into every cell (an empty value clears them).
    virtual void Value(const Variant& value) = 0;
    // The formula as the user writes it in their language, or the value as text for a constant;
    // of a block, the top-left cell's.
    virtual std::string FormulaLocal() const = 0;
    virtual void FormulaLocal(std::string_view formula) = 0;
    // Every cell's FormulaLocal in one read, as the model's FormulaLocal of a block gives them (a
    // constant's text, "" for an empty cell), laid out as `Value`'s block; a single cell's as one value.
    virtual RangeValue FormulaLocalBlock() const = 0;

    virtual std::shared_ptr<workbook::Interior> Interior() const = 0;
    virtual std::shared_ptr<Border> Borders(std::int32_t Index) const = 0;
    // The width all columns share, in characters; nullopt when they differ.
    virtual std::optional<double> ColumnWidth() const = 0;
    virtual void ColumnWidth(double value) = 0;
    // Fits whole columns to their contents (a range of whole rows fits their heights).
    virtual void AutoFit() = 0;

    // `xlCellTypeLastCell`: the cell at the last row and column of the sheet's used area. A cell once
    // used and since emptied still counts until the sheet is tidied.
    virtual std::shared_ptr<Range> SpecialCells(std::int32_t Type) const = 0;
    // The first cell, searching after the top-left cell in `SearchOrder` and `SearchDirection` and
    // wrapping round, whose content contains `What` ("*" and "?" are wildcards); null when none does.
    virtual std::shared_ptr<Range> Find(std::string_view What, XlSearchOrder SearchOrder,
                                        XlSearchDirection SearchDirection) const = 0;
    // Selects the range; its sheet must be the active one.
    virtual void Select() = 0;
};

}  // namespace corvel::workbook
