#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "seams/workbook/application.h"

namespace corvel::workbook {

class MemoryWorkbook;

// The spreadsheet application in memory, for tests and tools: open workbooks, the active one,
// screen updating, and the range arithmetic of the real application. Create it with `make_shared`:
// its workbooks keep a weak reference to it.
class MemoryApplication final : public Application, public std::enable_shared_from_this<MemoryApplication> {
  public:
    MemoryApplication() = default;

    // --- Application.
    bool ScreenUpdating() const override { return screen_updating_; }
    void ScreenUpdating(bool value) override;
    std::shared_ptr<Workbook> ActiveWorkbook() const override;
    std::shared_ptr<Worksheet> ActiveSheet() const override;
    std::shared_ptr<Worksheet> Worksheets(std::string_view Index) const override;
    std::shared_ptr<workbook::Range> Range(std::string_view Cell1) const override;
    std::shared_ptr<workbook::Range> Intersect(const workbook::Range& Arg1,
                                               const workbook::Range& Arg2) const override;
    std::shared_ptr<workbook::Range> Columns(std::int32_t Index) const override;

    // --- The in-memory application.
    // Opens a new, empty workbook and makes it the active one.
    std::shared_ptr<MemoryWorkbook> add_workbook(std::string name);
    const std::shared_ptr<MemoryWorkbook>& active_workbook() const noexcept { return active_; }
    const std::vector<std::shared_ptr<MemoryWorkbook>>& workbooks() const noexcept { return workbooks_; }
    void activate_workbook(const MemoryWorkbook& book);

    // What callers did, for tests: every value given to ScreenUpdating, in order, and how many
    // blocks of more than one cell were read through `Value`.
    const std::vector<bool>& screen_updating_history() const noexcept { return screen_updating_history_; }
    std::size_t block_reads() const noexcept { return block_reads_; }
    void count_block_read() noexcept { ++block_reads_; }

  private:
    const MemoryWorkbook& active_book(const char* method) const;

    std::vector<std::shared_ptr<MemoryWorkbook>> workbooks_;
    std::shared_ptr<MemoryWorkbook> active_;
    bool screen_updating_ = true;
    std::vector<bool> screen_updating_history_;
    std::size_t block_reads_ = 0;
};

}  // namespace corvel::workbook
