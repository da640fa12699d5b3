#include "ui/tape/user_view.h"

#include "ui/tape/object_ref.h"

namespace corvel {

void UserView::leave(Statements& s, std::shared_ptr<workbook::Application> application) {
    application_ = std::move(application);
    left_ = true;
    s([&] { screen_updating_ = object(application_).ScreenUpdating(); });
    s([&] { object(application_).ScreenUpdating(false); });
    s([&] { sheet_ = object(object(application_).ActiveSheet()).Name(); });
}

void UserView::come_back(Statements& s) {
    s([&] { object(object(application_).ActiveWorkbook()).Activate(); });
    s([&] { object(application_).Worksheets(sheet_.value())->Select(); });
    s([&] { object(application_).ScreenUpdating(screen_updating_.value()); });
    left_ = false;
}

UserView::~UserView() {
    if (!left_ || !application_) return;
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
