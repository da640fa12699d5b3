#include "ui/tape/view_restorer.h"

namespace corvel {

void ViewRestorer::screen_updating(std::shared_ptr<workbook::Application> application, bool value) {
    application_ = std::move(application);
    screen_updating_ = value;
}

void ViewRestorer::active_sheet(std::shared_ptr<workbook::Application> application, std::string name) {
    application_ = std::move(application);
    sheet_ = std::move(name);
}

ViewRestorer::~ViewRestorer() {
    if (!application_) return;
    // Runs while a procedure is being left: a failure here has nobody left to report to.
    try {
        if (sheet_) {
            if (const auto book = application_->ActiveWorkbook()) {
                book->Activate();
                book->Worksheets(*sheet_)->Select();
            }
        }
    } catch (...) {
    }
    try {
        if (screen_updating_) application_->ScreenUpdating(*screen_updating_);
    } catch (...) {
    }
}

}  // namespace corvel
