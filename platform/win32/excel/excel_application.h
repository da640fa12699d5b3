#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <oaidl.h>

#include <memory>

#include "seams/workbook/application.h"

namespace corvel::win32 {

// Wraps Excel's Application object (AddRef'd, held by com_ptr) as the workbook seam's Application.
std::shared_ptr<workbook::Application> make_excel_application(IDispatch* application);

}  // namespace corvel::win32
