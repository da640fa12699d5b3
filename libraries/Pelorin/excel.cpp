#include "libraries/Pelorin/excel.h"

#include "platform/win32/excel/excel_application.h"

namespace corvel::pelorin {

std::shared_ptr<workbook::Application> excel_application(IDispatch* excel) {
    if (!excel) return nullptr;
    return win32::make_excel_application(excel);
}

}  // namespace corvel::pelorin
