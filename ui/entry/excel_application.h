#pragma once

#include <memory>

namespace corvel::workbook {
// The Excel application as the workbook seam models it.
class Application;
}  // namespace corvel::workbook

namespace corvel {

// The Excel instance the library works in. `cPelorin` only holds it and hands it on; what an
// application offers is the workbook seam's business, and the tape dialog is what uses it. It may be
// empty: the add-in sets it after creating `cPelorin`.
using ExcelApplicationRef = std::shared_ptr<workbook::Application>;

}  // namespace corvel
