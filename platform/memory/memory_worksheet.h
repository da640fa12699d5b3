#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include "common/variant.h"
#include "seams/workbook/a1_reference.h"
#include "seams/workbook/worksheet.h"

namespace corvel::workbook {

class MemoryWorkbook;
class MemoryRange;

// A worksheet held in memory: cell values and formulas (kept as text, never computed), fills,
// border lines, column widths, the selection, and the used area the way the application keeps it
// (it grows with every cell written or formatted and shrinks only when the sheet is tidied).
class MemoryWorksheet final : public Worksheet, public std::enable_shared_from_this<MemoryWorksheet> {
  public:
    // The width of a column nobody has sized.
    static constexpr double kStandardWidth = 8.43;
    // The most cells one operation may touch: more is a runaway loop in a test, not a workbook.
    static constexpr std::int64_t kMaxCellsPerOperation = std::int64_t{1} << 20;

    struct BorderLine {
        std::int32_t line_style = 0;
        std::int32_t weight = 0;
        std::int32_t color_index = 0;
        friend bool operator==(const BorderLine&, const BorderLine&) = default;
    };
    enum class BorderProperty { LineStyle, Weight, ColorIndex };
    // The sheet protection a user may have put on: a protected sheet refuses every change of its
    // cells, their formats and its column widths; one whose cells the user unlocked first takes
    // values and formulas but still no formats.
    enum class Protection { None, FormatsOnly, Everything };

    MemoryWorksheet(std::weak_ptr<MemoryWorkbook> workbook, std::string name);

    // --- Worksheet.
    std::string Name() const override { return name_; }
    void Select() override;
    std::shared_ptr<workbook::Range> Range(std::string_view Cell1) const override;
    std::shared_ptr<workbook::Range> Cells() const override;

    // --- The in-memory sheet.
    std::shared_ptr<MemoryRange> range(const CellArea& area) const;
    std::shared_ptr<MemoryWorkbook> workbook() const;
    // Renames the sheet, under the rules its workbook has for sheet names.
    void rename(std::string name);
    bool is_active() const;

    Variant value_at(std::int32_t row, std::int32_t column) const;
    // The formula of a cell, or its value as text.
    std::string formula_at(std::int32_t row, std::int32_t column) const;
    void write_value(const CellArea& area, const Variant& value);
    void write_formula(const CellArea& area, std::string_view formula);

    std::optional<std::int32_t> fill(const CellArea& area) const;
    void fill(const CellArea& area, std::int32_t color_index);

    std::optional<std::int32_t> border(const CellArea& area, std::int32_t index,
                                       BorderProperty property) const;
    void border(const CellArea& area, std::int32_t index, BorderProperty property, std::int32_t value);

    double column_width(std::int32_t column) const;
    std::optional<double> column_width(const CellArea& area) const;
    void column_width(const CellArea& area, double width);
    // Each column as wide as its longest text, an empty one the standard width.
    void autofit_columns(const CellArea& area);

    // The cell at the last row and column of the used area (A1 on an unused sheet).
    std::pair<std::int32_t, std::int32_t> last_cell() const;
    // Shrinks the used area to the cells that hold something or are formatted, as saving does.
    void tidy();
    // The first cell whose content matches `what` (a pattern with "*" and "?", found anywhere in the
    // content, letter case ignored), searching from the cell after the area's top-left one.
    std::optional<std::pair<std::int32_t, std::int32_t>> find(const CellArea& area, std::string_view what,
                                                              XlSearchOrder order,
                                                              XlSearchDirection direction) const;

    const CellArea& selection() const noexcept { return selection_; }
    void select(const CellArea& area);

    void protect(Protection what) noexcept { protection_ = what; }

  private:
    struct Cell {
        Variant value;
        std::string formula;
        std::optional<std::int32_t> fill;
        bool empty() const noexcept { return value.is_empty() && formula.empty() && !fill; }
        bool has_content() const noexcept { return !value.is_empty() || !formula.empty(); }
    };
    // Where a border line lies: at the left edge of a cell, at its top edge, or across it.
    enum class LineKind { Vertical, Horizontal, DiagonalDown, DiagonalUp };
    using LineKey = std::tuple<LineKind, std::int32_t, std::int32_t>;

    template <class Visit>
    void for_each_line(const CellArea& area, std::int32_t index, Visit&& visit) const;
    template <class Change>
    void change_cells(const CellArea& area, Change&& change);
    void mark_used(const CellArea& area);
    // Raises as a protected sheet does when asked to change contents (or only formats).
    void check_unprotected(bool contents) const;

    std::weak_ptr<MemoryWorkbook> workbook_;
    std::string name_;
    std::map<std::pair<std::int32_t, std::int32_t>, Cell> cells_;
    std::map<LineKey, BorderLine> lines_;
    std::map<std::int32_t, double> widths_;
    CellArea selection_;
    std::int32_t used_bottom_ = 0;
    std::int32_t used_right_ = 0;
    Protection protection_ = Protection::None;
};

// Checks that an operation touches no more cells than an in-memory sheet should.
void check_operation_size(const CellArea& area);

}  // namespace corvel::workbook
