#include "ui/tape/tape_undo.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "common/variant.h"
#include "ui/tape/cell_text.h"

namespace corvel {

namespace {
struct CellContent {
    std::shared_ptr<workbook::Range> cell;
    std::string formula;
    Variant value;
    std::optional<std::int32_t> fill;

    void put_back() const {
        // A constant goes back as its value, so that a number stays a number and a text stays a text;
        // a text that starts with "=" reads back as its own formula and is no formula.
        const bool is_formula = !formula.empty() && formula.front() == '=' && formula != value.to_text();
        if (is_formula) {
            cell->FormulaLocal(formula);
        } else if (value.is_string()) {
            cell->Value(cell_text(value.as_string()));
        } else {
            cell->Value(value);
        }
        // Only a fill that changed is put back: a sheet that refuses formats may still take values.
        if (fill && cell->Interior()->ColorIndex() != fill) cell->Interior()->ColorIndex(*fill);
    }
};
}  // namespace

void TapeUndo::cells(const workbook::Range& block) {
    const auto rows = static_cast<std::int32_t>(block.Rows()->Count());
    const auto columns = static_cast<std::int32_t>(block.Columns()->Count());
    std::vector<CellContent> contents;
    for (std::int32_t r = 1; r <= rows; ++r) {
        for (std::int32_t c = 1; c <= columns; ++c) {
            auto cell = block.Cells(r, c);
            std::string formula = cell->FormulaLocal();
            Variant value = cell->Value().single();
            std::optional<std::int32_t> fill = cell->Interior()->ColorIndex();
            contents.push_back(CellContent{std::move(cell), std::move(formula), std::move(value), fill});
        }
    }
    steps_.push_back([contents = std::move(contents)] {
        for (const CellContent& content : contents) {
            try {
                content.put_back();
            } catch (const std::exception&) {
            }
        }
    });
}

void TapeUndo::entry(std::shared_ptr<cLinkAddresseses> tapes, std::string_view row_address,
                     std::string_view key) {
    const bool group_there = tapes->contains(row_address);
    std::optional<cLinkAddress> before;
    if (group_there) {
        const auto group = tapes->Item(row_address);
        if (group->contains(key)) before = *group->Item(key);
    }
    steps_.push_back([tapes = std::move(tapes), group_key = std::string(row_address), key = std::string(key),
                      group_there, before = std::move(before)] {
        if (!tapes->contains(group_key)) return;
        const auto group = tapes->Item(group_key);
        if (before) {
            if (group->contains(key)) *group->Item(key) = *before;
            return;
        }
        if (group->contains(key)) group->Remove(key);
        if (!group_there && group->Count() == 0) tapes->Remove(group_key);
    });
}

void TapeUndo::take_back() noexcept {
    while (!steps_.empty()) {
        const std::function<void()> step = std::move(steps_.back());
        steps_.pop_back();
        try {
            step();
        } catch (...) {
        }
    }
}

}  // namespace corvel
