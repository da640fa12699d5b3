#include "seams/workbook/a1_reference.h"

#include <algorithm>

namespace corvel::workbook {

namespace {
bool is_letter(char c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool is_digit(char c) noexcept {
    return c >= '0' && c <= '9';
}
int letter_value(char c) noexcept {
    return (c >= 'a' ? c - 'a' : c - 'A') + 1;
}

// One side of an A1 text: a cell, a column or a row.
struct Part {
    std::optional<std::int32_t> column;
    std::optional<std::int32_t> row;
};

std::optional<Part> parse_part(std::string_view text) noexcept {
    Part part;
    std::size_t i = 0;
    if (i < text.size() && text[i] == '$') ++i;
    const std::size_t letters = i;
    std::int64_t column = 0;
    while (i < text.size() && is_letter(text[i]) && i - letters < 4)
        column = column * 26 + letter_value(text[i++]);
    if (i > letters) {
        if (column > kMaxColumns) return std::nullopt;
        part.column = static_cast<std::int32_t>(column);
    } else if (letters > 0 && (i >= text.size() || !is_digit(text[i]))) {
        return std::nullopt;  // a lone "$"
    }
    bool row_mark = false;
    if (i < text.size() && text[i] == '$') {
        if (!part.column) return std::nullopt;  // "$$5"
        row_mark = true;
        ++i;
    }
    const std::size_t digits = i;
    std::int64_t row = 0;
    while (i < text.size() && is_digit(text[i]) && i - digits < 8)
        row = row * 10 + (text[i++] - '0');
    if (i > digits) {
        if (row < 1 || row > kMaxRows) return std::nullopt;
        part.row = static_cast<std::int32_t>(row);
    } else if (row_mark) {
        return std::nullopt;  // "B$"
    }
    if (i != text.size() || (!part.column && !part.row)) return std::nullopt;
    return part;
}

CellArea span(std::int32_t a_row, std::int32_t a_col, std::int32_t b_row, std::int32_t b_col) noexcept {
    return CellArea{std::min(a_row, b_row), std::min(a_col, b_col), std::max(a_row, b_row),
                    std::max(a_col, b_col)};
}
}  // namespace

std::optional<CellArea> intersection(const CellArea& a, const CellArea& b) noexcept {
    const CellArea common{std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
                          std::min(a.right, b.right)};
    if (common.top > common.bottom || common.left > common.right) return std::nullopt;
    return common;
}

std::optional<CellArea> parse_a1(std::string_view text) noexcept {
    const std::size_t colon = text.find(':');
    const auto first = parse_part(text.substr(0, colon));
    if (!first) return std::nullopt;
    if (colon == std::string_view::npos) {
        if (!first->column || !first->row) return std::nullopt;  // "E" or "5" alone is no range
        return CellArea{*first->row, *first->column, *first->row, *first->column};
    }
    const auto second = parse_part(text.substr(colon + 1));
    if (!second) return std::nullopt;
    const bool cells = first->column && first->row && second->column && second->row;
    const bool columns = first->column && !first->row && second->column && !second->row;
    const bool rows = !first->column && first->row && !second->column && second->row;
    if (cells) return span(*first->row, *first->column, *second->row, *second->column);
    if (columns) return span(1, *first->column, kMaxRows, *second->column);
    if (rows) return span(*first->row, 1, *second->row, kMaxColumns);
    return std::nullopt;
}

std::string column_letters(std::int32_t column) {
    std::string letters;
    while (column > 0) {
        const std::int32_t digit = (column - 1) % 26;
        letters.insert(letters.begin(), static_cast<char>('A' + digit));
        column = (column - 1) / 26;
    }
    return letters;
}

std::string a1_address(const CellArea& area, bool row_absolute, bool column_absolute) {
    const std::string row_mark = row_absolute ? "$" : "";
    const std::string column_mark = column_absolute ? "$" : "";
    const auto column = [&](std::int32_t c) { return column_mark + column_letters(c); };
    const auto row = [&](std::int32_t r) { return row_mark + std::to_string(r); };
    if (area.whole_columns() && !area.whole_rows()) return column(area.left) + ":" + column(area.right);
    if (area.whole_rows()) return row(area.top) + ":" + row(area.bottom);
    const std::string first = column(area.left) + row(area.top);
    if (area.rows() == 1 && area.columns() == 1) return first;
    return first + ":" + column(area.right) + row(area.bottom);
}

std::optional<SheetReference> split_sheet_reference(std::string_view text) {
    if (!text.empty() && text.front() == '\'') {
        std::string sheet;
        for (std::size_t i = 1; i < text.size(); ++i) {
            if (text[i] != '\'') {
                sheet += text[i];
            } else if (i + 1 < text.size() && text[i + 1] == '\'') {
                sheet += '\'';
                ++i;
            } else if (i + 1 < text.size() && text[i + 1] == '!' && !sheet.empty()) {
                return SheetReference{std::move(sheet), text.substr(i + 2)};
            } else {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }
    const std::size_t bang = text.find('!');
    if (bang == std::string_view::npos) return SheetReference{std::nullopt, text};
    // Only a plain name may go without quotes: a blank or a sign in it would read as an operator.
    const std::string_view sheet = text.substr(0, bang);
    if (sheet.empty() || is_digit(sheet.front())) return std::nullopt;
    for (const char c : sheet) {
        if (!is_letter(c) && !is_digit(c) && c != '_' && c != '.' && static_cast<unsigned char>(c) < 0x80) {
            return std::nullopt;
        }
    }
    return SheetReference{std::string(text.substr(0, bang)), text.substr(bang + 1)};
}

std::size_t sheet_separator(std::string_view text) noexcept {
    if (!text.empty() && text.front() == '\'') {
        for (std::size_t i = 1; i < text.size(); ++i) {
            if (text[i] != '\'') continue;
            if (i + 1 < text.size() && text[i + 1] == '\'') {
                ++i;  // a doubled quote inside the name
                continue;
            }
            if (i + 1 < text.size() && text[i + 1] == '!') return i + 1;
            break;  // a quote that closes nothing a sheet name could: read the text as it comes
        }
    }
    return text.find('!');
}

std::string unquote_sheet_name(std::string_view text) {
    if (text.size() < 2 || text.front() != '\'' || text.back() != '\'') return std::string(text);
    const auto split = split_sheet_reference(std::string(text) + "!A1");
    return split && split->sheet ? *split->sheet : std::string(text);
}

}  // namespace corvel::workbook
