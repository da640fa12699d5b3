#pragma once

#include <windows.h>

#include <oaidl.h>

#include <memory>

#include "seams/workbook/application.h"

namespace corvel::pelorin {

// Excel's application object, reached late-bound, as the tape dialog sees a spreadsheet application.
// Null for Nothing. An object that is not Excel's application is found out at its first use.
std::shared_ptr<workbook::Application> excel_application(IDispatch* excel);

}  // namespace corvel::pelorin
