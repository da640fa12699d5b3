#include "platform/memory/memory_worksheet.h"

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "platform/memory/memory_errors.h"
#include "platform/memory/memory_range.h"
#include "platform/memory/memory_workbook.h"

namespace corvel::workbook {

namespace {
char fold(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Matches `text` against `pattern` ("*" any run, "?" any one character), ignoring letter case.
bool wildcard_match(std::string_view pattern, std::string_view text) noexcept {
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(text[t]))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// Cells hold numbers as doubles, and an empty text is no content.
Variant stored_value(const Variant& value) {
    if (const std::string* text = value.string_if(); text != nullptr && text->empty()) return {};
    if (value.type() == VariantType::Boolean || value.type() == VariantType::Date || value.is_string())
        return value;
    if (const auto number = value.number()) return Variant(*number);
    return {};
}
}  // namespace

void check_operation_size(const CellArea& area) {
    if (area.cells() > MemoryWorksheet::kMaxCellsPerOperation) {
        raise_object_error("The in-memory workbook does not handle that many cells in one operation");
    }
}

MemoryWorksheet::MemoryWorksheet(std::weak_ptr<MemoryWorkbook> workbook, std::string name)
    : workbook_(std::move(workbook)), name_(std::move(name)) {}

std::shared_ptr<MemoryWorkbook> MemoryWorksheet::workbook() const {
    auto book = workbook_.lock();
    if (!book) raise_object_error("The worksheet's workbook is closed");
    return book;
}

bool MemoryWorksheet::is_active() const {
    const auto book = workbook_.lock();
    return book && book->is_active() && book->active_sheet().get() == this;
}

void MemoryWorksheet::Select() {
    const auto book = workbook();
    if (!book->is_active()) raise_method_failed("Select", "_Worksheet");
    book->activate_sheet(*this);
}

std::shared_ptr<Range> MemoryWorksheet::Range(std::string_view Cell1) const {
    const auto target =
        workbook()->resolve(Cell1, std::const_pointer_cast<MemoryWorksheet>(shared_from_this()));
    if (!target || target->sheet.get() != this) raise_method_failed("Range", "_Worksheet");
    return range(target->area);
}

std::shared_ptr<Range> MemoryWorksheet::Cells() const {
    return range(CellArea{1, 1, kMaxRows, kMaxColumns});
}

std::shared_ptr<MemoryRange> MemoryWorksheet::range(const CellArea& area) const {
    return std::make_shared<MemoryRange>(std::const_pointer_cast<MemoryWorksheet>(shared_from_this()), area);
}

// --- Cells

Variant MemoryWorksheet::value_at(std::int32_t row, std::int32_t column) const {
    const auto it = cells_.find({row, column});
    return it == cells_.end() ? Variant() : it->second.value;
}

std::string MemoryWorksheet::formula_at(std::int32_t row, std::int32_t column) const {
    const auto it = cells_.find({row, column});
    if (it == cells_.end()) return {};
    return it->second.formula.empty() ? it->second.value.to_text() : it->second.formula;
}

template <class Change>
void MemoryWorksheet::change_cells(const CellArea& area, Change&& change) {
    check_operation_size(area);
    for (std::int32_t row = area.top; row <= area.bottom; ++row) {
        for (std::int32_t column = area.left; column <= area.right; ++column) {
            Cell& cell = cells_[{row, column}];
            change(cell);
            if (cell.empty()) cells_.erase({row, column});
        }
    }
    mark_used(area);
}

void MemoryWorksheet::check_unprotected(bool contents) const {
    if (protection_ == Protection::None || (contents && protection_ == Protection::FormatsOnly)) return;
    raise_object_error("The cell or chart you're trying to change is on a protected sheet");
}

namespace {
// What a text put into a cell becomes, as the application reads it when it is typed or assigned: a
// leading apostrophe keeps the rest as text (the apostrophe is no part of the value); a leading "="
// makes a formula, and so does a leading "+", "-" or "@" before anything but a number.
struct Entry {
    Variant value;
    std::string formula;
};

bool reads_as_number(std::string_view text) {
    if (text.empty()) return false;
    std::size_t i = (text.front() == '+' || text.front() == '-') ? 1 : 0;
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            digits = true;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

Entry entered(const Variant& value) {
    const std::string* text = value.string_if();
    if (!text || text->empty()) return Entry{stored_value(value), {}};
    const char first = text->front();
    if (first == '\'') return Entry{stored_value(Variant(text->substr(1))), {}};
    if (first == '=') return Entry{{}, *text};
    if ((first == '+' || first == '-' || first == '@') && !reads_as_number(*text))
        return Entry{{}, "=" + *text};
    return Entry{stored_value(value), {}};
}
}  // namespace

void MemoryWorksheet::write_value(const CellArea& area, const Variant& value) {
    check_unprotected(true);
    const Entry entry = entered(value);
    change_cells(area, [&](Cell& cell) {
        cell.value = entry.value;
        cell.formula = entry.formula;
    });
}

void MemoryWorksheet::write_formula(const CellArea& area, std::string_view formula) {
    write_value(area, Variant(formula));
}

std::optional<std::int32_t> MemoryWorksheet::fill(const CellArea& area) const {
    check_operation_size(area);
    std::optional<std::int32_t> shared;
    for (std::int32_t row = area.top; row <= area.bottom; ++row) {
        for (std::int32_t column = area.left; column <= area.right; ++column) {
            const auto it = cells_.find({row, column});
            const std::int32_t index =
                it == cells_.end() || !it->second.fill ? xlColorIndexNone : *it->second.fill;
            if (shared && *shared != index) return std::nullopt;
            shared = index;
        }
    }
    return shared;
}

void MemoryWorksheet::fill(const CellArea& area, std::int32_t color_index) {
    if (color_index != xlColorIndexNone && (color_index < 1 || color_index > 56)) {
        raise_object_error("Unable to set the ColorIndex property of the Interior class");
    }
    check_unprotected(false);
    change_cells(area, [&](Cell& cell) {
        cell.fill = color_index == xlColorIndexNone ? std::nullopt : std::optional<std::int32_t>(color_index);
    });
}

// --- Borders

template <class Visit>
void MemoryWorksheet::for_each_line(const CellArea& area, std::int32_t index, Visit&& visit) const {
    check_operation_size(area);
    const auto vertical = [&](std::int32_t first_column, std::int32_t last_column) {
        for (std::int32_t row = area.top; row <= area.bottom; ++row) {
            for (std::int32_t column = first_column; column <= last_column; ++column) {
                visit(LineKey{LineKind::Vertical, row, column});
            }
        }
    };
    const auto horizontal = [&](std::int32_t first_row, std::int32_t last_row) {
        for (std::int32_t row = first_row; row <= last_row; ++row) {
            for (std::int32_t column = area.left; column <= area.right; ++column) {
                visit(LineKey{LineKind::Horizontal, row, column});
            }
        }
    };
    const auto diagonal = [&](LineKind kind) {
        for (std::int32_t row = area.top; row <= area.bottom; ++row) {
            for (std::int32_t column = area.left; column <= area.right; ++column)
                visit(LineKey{kind, row, column});
        }
    };
    switch (index) {
        case xlDiagonalDown:
            return diagonal(LineKind::DiagonalDown);
        case xlDiagonalUp:
            return diagonal(LineKind::DiagonalUp);
        case xlEdgeLeft:
            return vertical(area.left, area.left);
        case xlEdgeRight:
            return vertical(area.right + 1, area.right + 1);
        case xlEdgeTop:
            return horizontal(area.top, area.top);
        case xlEdgeBottom:
            return horizontal(area.bottom + 1, area.bottom + 1);
        case xlInsideVertical:
            return vertical(area.left + 1, area.right);
        case xlInsideHorizontal:
            return horizontal(area.top + 1, area.bottom);
        default:
            raise_object_error("Unable to get the Borders property of the Range class");
    }
}

std::optional<std::int32_t> MemoryWorksheet::border(const CellArea& area, std::int32_t index,
                                                    BorderProperty property) const {
    static constexpr BorderLine kNoLine{xlNone, xlThin, xlColorIndexNone};
    std::optional<std::int32_t> shared;
    bool mixed = false;
    bool any = false;
    for_each_line(area, index, [&](const LineKey& key) {
        const auto it = lines_.find(key);
        const BorderLine& line = it == lines_.end() ? kNoLine : it->second;
        const std::int32_t value = property == BorderProperty::LineStyle ? line.line_style
                                   : property == BorderProperty::Weight  ? line.weight
                                                                         : line.color_index;
        if (any && shared != value) mixed = true;
        shared = value;
        any = true;
    });
    if (!any) {
        return property == BorderProperty::LineStyle ? kNoLine.line_style
               : property == BorderProperty::Weight  ? kNoLine.weight
                                                     : kNoLine.color_index;
    }
    return mixed ? std::nullopt : shared;
}

void MemoryWorksheet::border(const CellArea& area, std::int32_t index, BorderProperty property,
                             std::int32_t value) {
    check_unprotected(false);
    for_each_line(area, index, [&](const LineKey& key) {
        if (property == BorderProperty::LineStyle && value == xlNone) {
            lines_.erase(key);
            return;
        }
        auto [it, created] = lines_.try_emplace(key, BorderLine{xlContinuous, xlThin, xlColorIndexAutomatic});
        (void)created;
        switch (property) {
            case BorderProperty::LineStyle:
                it->second.line_style = value;
                break;
            case BorderProperty::Weight:
                it->second.weight = value;
                break;
            case BorderProperty::ColorIndex:
                it->second.color_index = value;
                break;
        }
    });
    mark_used(area);
}

// --- Columns

double MemoryWorksheet::column_width(std::int32_t column) const {
    const auto it = widths_.find(column);
    return it == widths_.end() ? kStandardWidth : it->second;
}

std::optional<double> MemoryWorksheet::column_width(const CellArea& area) const {
    const double first = column_width(area.left);
    for (std::int32_t column = area.left + 1; column <= area.right; ++column) {
        if (column_width(column) != first) return std::nullopt;
    }
    return first;
}

void MemoryWorksheet::column_width(const CellArea& area, double width) {
    if (!(width >= 0.0 && width <= 255.0))
        raise_object_error("Unable to set the ColumnWidth property of the Range class");
    check_unprotected(false);
    for (std::int32_t column = area.left; column <= area.right; ++column)
        widths_[column] = width;
}

void MemoryWorksheet::autofit_columns(const CellArea& area) {
    check_unprotected(false);
    std::map<std::int32_t, std::size_t> longest;
    for (const auto& [position, cell] : cells_) {
        if (position.second < area.left || position.second > area.right || !cell.has_content()) continue;
        std::size_t& width = longest[position.second];
        width = std::max(width, cell.value.to_text().size());
    }
    for (std::int32_t column = area.left; column <= area.right; ++column) {
        const auto it = longest.find(column);
        if (it == longest.end() || it->second == 0) {
            widths_.erase(column);
        } else {
            widths_[column] = static_cast<double>(std::min<std::size_t>(it->second, 255));
        }
    }
}

// --- Used area, search, selection

void MemoryWorksheet::mark_used(const CellArea& area) {
    used_bottom_ = std::max(used_bottom_, area.bottom);
    used_right_ = std::max(used_right_, area.right);
}

std::pair<std::int32_t, std::int32_t> MemoryWorksheet::last_cell() const {
    return {std::max(used_bottom_, 1), std::max(used_right_, 1)};
}

void MemoryWorksheet::tidy() {
    used_bottom_ = 0;
    used_right_ = 0;
    for (const auto& [position, cell] : cells_)
        mark_used(CellArea{position.first, position.second, position.first, position.second});
    for (const auto& [key, line] : lines_) {
        const auto [kind, row, column] = key;
        // A line on the far edge belongs to the cell before it.
        const std::int32_t r = kind == LineKind::Horizontal ? std::max(row - 1, 1) : row;
        const std::int32_t c = kind == LineKind::Vertical ? std::max(column - 1, 1) : column;
        mark_used(CellArea{r, c, r, c});
    }
}

std::optional<std::pair<std::int32_t, std::int32_t>> MemoryWorksheet::find(
    const CellArea& area, std::string_view what, XlSearchOrder order, XlSearchDirection direction) const {
    const std::string pattern = "*" + std::string(what) + "*";
    const bool by_rows = order == XlSearchOrder::xlByRows;
    const bool backwards = direction == XlSearchDirection::xlPrevious;
    // The search starts after the top-left cell and wraps round, so that cell comes last.
    const auto rank = [&](std::int32_t row, std::int32_t column) {
        const std::int64_t major = by_rows ? row : column;
        const std::int64_t minor = by_rows ? column : row;
        const bool first_cell = row == area.top && column == area.left;
        const std::int64_t order_key = major * (std::int64_t{kMaxRows} + kMaxColumns) + minor;
        return std::pair<bool, std::int64_t>{!first_cell, backwards ? order_key : -order_key};
    };
    std::optional<std::pair<std::int32_t, std::int32_t>> best;
    for (const auto& [position, cell] : cells_) {
        if (!area.contains(position.first, position.second) || !cell.has_content()) continue;
        const std::string content = cell.formula.empty() ? cell.value.to_text() : cell.formula;
        if (!wildcard_match(pattern, content)) continue;
        if (!best || rank(position.first, position.second) > rank(best->first, best->second)) best = position;
    }
    return best;
}

void MemoryWorksheet::select(const CellArea& area) {
    if (!is_active()) raise_method_failed("Select", "Range");
    selection_ = area;
}

}  // namespace corvel::workbook
