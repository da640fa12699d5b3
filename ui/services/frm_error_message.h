#pragma once

#include <string>
#include <string_view>

#include "ui/forms/button.h"
#include "ui/forms/form.h"
#include "ui/forms/frame.h"
#include "ui/forms/label.h"
#include "ui/forms/text_box.h"
#include "ui/services/ui_environment.h"

namespace corvel {

// The modal dialog through which the error handler shows an error report and asks whether to abort,
// retry or ignore; it can also hand the report to the user's mail program for the support desk. Its
// answer ("ABORT", "RETRY" or "IGNORE") is left in `Tag`. Nothing it does raises: a beep that cannot
// sound or a mail program that cannot start must not hide the question being asked.
class frmErrorMessage final : public forms::Form {
  public:
    explicit frmErrorMessage(const UiEnvironment& environment);

    void SupportMail(std::string_view value) { support_mail_ = value; }
    const std::string& ErrorMessage() const noexcept { return txtErrorMessage.Text(); }
    // The report, a line break and the library's version.
    void ErrorMessage(std::string_view value);

    forms::Frame elaControls{*this, "elaControls"};
    forms::Frame elaTitle{elaControls, "elaTitle"};
    forms::Label elaTitleCaption{elaTitle, "elaTitleCaption", "An Error occured in ..."};
    forms::Frame elaInfo{elaControls, "elaInfo"};
    forms::TextBox txtErrorMessage{elaInfo, "txtErrorMessage"};
    forms::Frame elaButtons{elaControls, "elaButtons"};
    forms::Button btnSend{elaButtons, "btnSend", "Send to Support"};
    forms::Button btnIgnore{elaButtons, "btnIgnore", "Ignore"};
    forms::Button btnRetry{elaButtons, "btnRetry", "Retry"};
    forms::Button btnAbort{elaButtons, "btnAbort", "Abort"};

    void btnAbort_Click();
    void btnRetry_Click();
    void btnIgnore_Click();
    void btnSend_Click();

    // The "mailto:" address of a support mail carrying `report` under `subject`.
    static std::string support_mail_address(std::string_view address, std::string_view subject,
                                            std::string_view report);

  protected:
    void Form_Activate() override;

  private:
    void answer(const char* text);

    UiEnvironment environment_;
    std::string support_mail_;
};

}  // namespace corvel
