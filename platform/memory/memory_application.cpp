#include "platform/memory/memory_application.h"

#include <algorithm>

#include "platform/memory/memory_errors.h"
#include "platform/memory/memory_range.h"
#include "platform/memory/memory_workbook.h"
#include "platform/memory/memory_worksheet.h"

namespace corvel::workbook {

void MemoryApplication::ScreenUpdating(bool value) {
    screen_updating_ = value;
    screen_updating_history_.push_back(value);
}

std::shared_ptr<Workbook> MemoryApplication::ActiveWorkbook() const {
    return active_;
}

std::shared_ptr<Worksheet> MemoryApplication::ActiveSheet() const {
    return active_ ? active_->active_sheet() : nullptr;
}

const MemoryWorkbook& MemoryApplication::active_book(const char* method) const {
    if (!active_) raise_method_failed(method, "_Application");
    return *active_;
}

std::shared_ptr<Worksheet> MemoryApplication::Worksheets(std::string_view Index) const {
    return active_book("Worksheets").Worksheets(Index);
}

std::shared_ptr<Range> MemoryApplication::Range(std::string_view Cell1) const {
    const MemoryWorkbook& book = active_book("Range");
    const auto target = book.resolve(Cell1, book.active_sheet());
    if (!target) raise_method_failed("Range", "_Application");
    return target->sheet->range(target->area);
}

std::shared_ptr<Range> MemoryApplication::Intersect(const workbook::Range& Arg1,
                                                    const workbook::Range& Arg2) const {
    const auto* first = dynamic_cast<const MemoryRange*>(&Arg1);
    const auto* second = dynamic_cast<const MemoryRange*>(&Arg2);
    if (first == nullptr || second == nullptr || first->sheet() != second->sheet()) {
        raise_method_failed("Intersect", "_Application");
    }
    const auto common = intersection(first->area(), second->area());
    if (!common) return nullptr;
    return first->sheet()->range(*common);
}

std::shared_ptr<Range> MemoryApplication::Columns(std::int32_t Index) const {
    const MemoryWorkbook& book = active_book("Columns");
    if (Index < 1 || Index > kMaxColumns || !book.active_sheet())
        raise_method_failed("Columns", "_Application");
    return book.active_sheet()->range(CellArea{1, Index, kMaxRows, Index});
}

std::shared_ptr<MemoryWorkbook> MemoryApplication::add_workbook(std::string name) {
    auto book = std::make_shared<MemoryWorkbook>(weak_from_this(), std::move(name));
    workbooks_.push_back(book);
    active_ = book;
    return book;
}

void MemoryApplication::activate_workbook(const MemoryWorkbook& book) {
    const auto it =
        std::find_if(workbooks_.begin(), workbooks_.end(), [&](const auto& b) { return b.get() == &book; });
    if (it != workbooks_.end()) active_ = *it;
}

}  // namespace corvel::workbook
