#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/workbook/application.h"

namespace corvel {

// Puts the user's view back (the active sheet, screen updating) when a procedure that switched them
// is left before its own closing steps restore them, as an aborted procedure is: the user must not be
// left on another sheet with a screen that no longer redraws. A procedure that reaches its closing
// steps calls `dismiss`.
class ViewRestorer {
public:
    ViewRestorer() = default;
    ViewRestorer(const ViewRestorer&) = delete;
    ViewRestorer& operator=(const ViewRestorer&) = delete;
    ~ViewRestorer();

    void screen_updating(std::shared_ptr<workbook::Application> application, bool value);
    void active_sheet(std::shared_ptr<workbook::Application> application, std::string name);
    void dismiss() noexcept { application_.reset(); }

private:
    std::shared_ptr<workbook::Application> application_;
    std::optional<bool> screen_updating_;
    std::optional<std::string> sheet_;
};

}  // namespace corvel
