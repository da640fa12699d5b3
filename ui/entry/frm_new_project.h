#pragma once

#include <array>
#include <cstdint>

#include "ui/forms/button.h"
#include "ui/forms/check_box.h"
#include "ui/forms/form.h"
#include "ui/forms/host.h"
#include "ui/services/calling_protocol.h"
#include "ui/services/error_handler.h"

namespace corvel {

// The new-project dialog: the user picks which of the ten market-data fields a quotes project
// carries. Every box starts checked. "Create project" needs at least one box checked and leaves "1"
// in `Tag`; "Cancel" leaves "2"; the close box leaves `Tag` empty. The caller reads the boxes
// afterwards.
class frmNewProject final : public forms::Form {
  public:
    frmNewProject(forms::Host& host, CErrorHandler& errors);

    using CheckBox = forms::CheckBox;
    static constexpr std::int16_t kChecked = CheckBox::kChecked;

    // In tab order.
    CheckBox chkLastPrice{*this, "chkLastPrice", "Last Price", kChecked};
    CheckBox chkLastSize{*this, "chkLastSize", "Last Size", kChecked};
    CheckBox chkBidPrice{*this, "chkBidPrice", "Bid Price", kChecked};
    CheckBox chkBidSize{*this, "chkBidSize", "Bid Size", kChecked};
    CheckBox chkAskPrice{*this, "chkAskPrice", "Ask Price", kChecked};
    CheckBox chkAskSize{*this, "chkAskSize", "Ask Size", kChecked};
    CheckBox chkHigh{*this, "chkHigh", "High", kChecked};
    CheckBox chkLow{*this, "chkLow", "Low", kChecked};
    CheckBox chkVolume{*this, "chkVolume", "Volume", kChecked};
    CheckBox chkClose{*this, "chkClose", "Close", kChecked};
    forms::Button ButCheckAll{*this, "ButCheckAll", "Check all"};
    forms::Button ButUncheckAll{*this, "ButUncheckAll", "Uncheck all"};
    forms::Button ButCancel{*this, "ButCancel", "Cancel"};
    forms::Button ButCreateProject{*this, "ButCreateProject", "Create project"};

    // Sets every box to `Value`.
    void CheckUncheck(std::int16_t Value);
    void ButCheckAll_Click();
    void ButUncheckAll_Click();
    void ButCreateProject_Click();
    void ButCancel_Click();

  private:
    std::array<CheckBox*, 10> check_boxes() noexcept;

    CallingProtocol protocol_;
};

}  // namespace corvel
