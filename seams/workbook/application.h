#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "seams/workbook/range.h"
#include "seams/workbook/workbook.h"
#include "seams/workbook/worksheet.h"

namespace corvel::workbook {

// The spreadsheet application the tape builder works in: the seam through which all its workbook
// work passes. Its members, and those of the objects it hands out, are the members of the
// application's own object model that the tape builder uses, under their own names, so a binding to
// the real application implements them one to one; the in-memory workbook implements them for tests.
class Application {
  public:
    virtual ~Application() = default;

    virtual bool ScreenUpdating() const = 0;
    virtual void ScreenUpdating(bool value) = 0;
    // Null when no workbook is open.
    virtual std::shared_ptr<Workbook> ActiveWorkbook() const = 0;
    virtual std::shared_ptr<Worksheet> ActiveSheet() const = 0;
    // A worksheet of the active workbook.
    virtual std::shared_ptr<Worksheet> Worksheets(std::string_view Index) const = 0;
    // Resolves a range text in the active workbook: an A1 address (absolute or relative, whole
    // columns and rows included) on the active sheet, a defined name, or either qualified by a sheet
    // name ("Sheet1!B3:D22", "'My Sheet'!A1"). A text that resolves to nothing raises.
    virtual std::shared_ptr<workbook::Range> Range(std::string_view Cell1) const = 0;
    // The common cells of two ranges; null when they share none. Ranges on different sheets raise.
    virtual std::shared_ptr<workbook::Range> Intersect(const workbook::Range& Arg1,
                                                       const workbook::Range& Arg2) const = 0;
    // The whole column of that number on the active sheet.
    virtual std::shared_ptr<workbook::Range> Columns(std::int32_t Index) const = 0;
};

}  // namespace corvel::workbook
