#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "seams/workbook/range.h"

namespace corvel::workbook {

// One worksheet of a workbook.
class Worksheet {
  public:
    virtual ~Worksheet() = default;

    virtual std::string Name() const = 0;
    // Makes the sheet the active one; its workbook must be the active workbook.
    virtual void Select() = 0;
    // A range text resolved on this sheet: an A1 address, a defined name that lies on this sheet, or
    // either qualified by this sheet's name.
    virtual std::shared_ptr<workbook::Range> Range(std::string_view Cell1) const = 0;
    // Every cell of the sheet.
    virtual std::shared_ptr<workbook::Range> Cells() const = 0;
};

}  // namespace corvel::workbook
