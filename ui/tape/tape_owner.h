#pragma once

#include <memory>

#include "seams/workbook/application.h"

namespace corvel {

// What the tape dialog needs of the object that shows it: the spreadsheet application it works in.
// The dialog holds its owner by a plain back reference, which the owner clears before dropping it.
class TapeOwner {
  public:
    virtual ~TapeOwner() = default;
    virtual const std::shared_ptr<workbook::Application>& m_ObjExcelApplication() const = 0;
};

}  // namespace corvel
