#pragma once

#include <memory>
#include <optional>
#include <string>

#include "seams/workbook/application.h"
#include "ui/services/calling_protocol.h"

namespace corvel {

// What the user sees of the workbook while a procedure works on other sheets: the procedure leaves
// the view (remembers screen updating and the active sheet, and stops the screen redrawing) and comes
// back to it at its end. A procedure that is left before it comes back (an aborted one) still puts
// the view back: the user must not be left on another sheet with a screen that no longer redraws.
class UserView {
  public:
    UserView() = default;
    UserView(const UserView&) = delete;
    UserView& operator=(const UserView&) = delete;
    ~UserView();

    // The first steps of the procedure `s`, one statement each.
    void leave(Statements& s, std::shared_ptr<workbook::Application> application);
    // The closing steps: the active workbook activated, the remembered sheet selected again and screen
    // updating restored, one statement each.
    void come_back(Statements& s);

  private:
    std::shared_ptr<workbook::Application> application_;
    std::optional<bool> screen_updating_;
    std::optional<std::string> sheet_;
    bool left_ = false;
};

}  // namespace corvel
