#include "libraries/Pelorin/excel.h"

namespace corvel::pelorin {

std::shared_ptr<workbook::Application> excel_application(IDispatch* excel) {
    if (!excel) return nullptr;
    return nullptr;
}

}  // namespace corvel::pelorin
