#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/app_settings.h"
#include "ui/services/error_handler.h"
#include "ui/services/ui_environment.h"
#include "ui/tape/frm_add_ribbon.h"
#include "ui/tape/tape_owner.h"

namespace corvel {

// The tape members of the library's entry class: it shows the tape dialog, keeps it loaded and
// hidden between showings (so that the user can leave it to pick a tape location in the workbook and
// come back to the same state), forwards the picked location to it, and drops it when the caller is
// done with tapes.
class TapeBuilder {
  public:
    // `RefEditInputs` without a tape dialog: the platform's "object variable not set", with a text that
    // says what to call first.
    static constexpr std::int32_t kErrNoTapeDialog = 91;

    // `owner` is the entry class, through which the dialog reaches the spreadsheet application; it
    // outlives this object.
    TapeBuilder(UiEnvironment environment, std::shared_ptr<CErrorHandler> errors,
                std::shared_ptr<CAppSettings> settings, TapeOwner& owner);
    ~TapeBuilder();
    TapeBuilder(const TapeBuilder&) = delete;
    TapeBuilder& operator=(const TapeBuilder&) = delete;

    // Shows the tape dialog modally, creating it on first use, and returns how the user left it:
    // "DATABEGINNING" to pick the tape location, "CLOSE" when done. Failures reach the caller, which
    // turns them into its component failure.
    std::string ShowRefEditInterface();
    // Drops the tape dialog and what it holds; never raises.
    void UnloadfrmMaster();
    // The tape location the dialog shows, and the location picked in the workbook.
    std::string RefEditInputs() const;
    void RefEditInputs(std::string_view value);

    // The tape dialog while it exists.
    frmAddRibbon* dialog() const noexcept { return dialog_.get(); }

  private:
    frmAddRibbon& existing_dialog(const char* member) const;

    UiEnvironment environment_;
    std::shared_ptr<CErrorHandler> errors_;
    std::shared_ptr<CAppSettings> settings_;
    TapeOwner& owner_;
    std::unique_ptr<frmAddRibbon> dialog_;
};

}  // namespace corvel
