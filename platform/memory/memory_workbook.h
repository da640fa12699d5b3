#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "seams/workbook/a1_reference.h"
#include "seams/workbook/workbook.h"

namespace corvel::workbook {

class MemoryApplication;
class MemoryWorksheet;

// A workbook held in memory: its worksheets, the active one, and its workbook-level defined names.
class MemoryWorkbook final : public Workbook, public std::enable_shared_from_this<MemoryWorkbook> {
  public:
    // Where a range text lands.
    struct Target {
        std::shared_ptr<MemoryWorksheet> sheet;
        CellArea area;
    };

    MemoryWorkbook(std::weak_ptr<MemoryApplication> application, std::string name);

    // --- Workbook.
    std::string Name() const override { return name_; }
    void Activate() override;
    std::shared_ptr<Worksheet> Worksheets(std::string_view Index) const override;
    std::shared_ptr<Worksheet> ActiveSheet() const override;

    // --- The in-memory workbook.
    // Adds a worksheet at the end; the first one becomes the active sheet. Names are unique without
    // regard to letter case and may not hold the characters the application forbids.
    std::shared_ptr<MemoryWorksheet> add_sheet(std::string name);
    // Raises unless `name` may name a sheet of this workbook (`renamed` may keep its own name).
    void check_sheet_name(std::string_view name, const MemoryWorksheet* renamed) const;
    const std::vector<std::shared_ptr<MemoryWorksheet>>& sheets() const noexcept { return sheets_; }
    // The sheet of that name (letter case ignored), or null.
    std::shared_ptr<MemoryWorksheet> sheet(std::string_view name) const;
    const std::shared_ptr<MemoryWorksheet>& active_sheet() const noexcept { return active_; }
    void activate_sheet(const MemoryWorksheet& sheet);

    // Defines (or redefines) a workbook-level name; `refers_to` is a sheet-qualified A1 reference
    // such as "=TWS_Quotes!$A$4".
    void add_name(std::string_view name, std::string_view refers_to);
    // The reference a name stands for, or nullopt.
    std::optional<std::string> refers_to(std::string_view name) const;

    // Resolves a range text the way the application does, with `context` the sheet that unqualified
    // A1 addresses lie on; nullopt when it resolves to nothing.
    std::optional<Target> resolve(std::string_view text,
                                  const std::shared_ptr<MemoryWorksheet>& context) const;

    std::shared_ptr<MemoryApplication> application() const;
    bool is_active() const;

  private:
    std::optional<Target> resolve_name(std::string_view name) const;

    std::weak_ptr<MemoryApplication> application_;
    std::string name_;
    std::vector<std::shared_ptr<MemoryWorksheet>> sheets_;
    std::shared_ptr<MemoryWorksheet> active_;
    std::vector<std::pair<std::string, std::string>> names_;
};

}  // namespace corvel::workbook
