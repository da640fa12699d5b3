#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "seams/workbook/worksheet.h"

namespace corvel::workbook {

// An open workbook: its sheets and the names defined in it.
class Workbook {
  public:
    virtual ~Workbook() = default;

    virtual std::string Name() const = 0;
    virtual void Activate() = 0;
    // The worksheet of that name (letter case ignored); raises "Subscript out of range" without one.
    virtual std::shared_ptr<Worksheet> Worksheets(std::string_view Index) const = 0;
    virtual std::shared_ptr<Worksheet> ActiveSheet() const = 0;
};

}  // namespace corvel::workbook
