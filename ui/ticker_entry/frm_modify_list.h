#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/app_settings.h"
#include "ui/forms/button.h"
#include "ui/forms/form.h"
#include "ui/forms/list_box.h"
#include "ui/forms/text_box.h"
#include "ui/services/calling_protocol.h"
#include "ui/services/error_handler.h"
#include "ui/services/form_restore.h"
#include "ui/services/ui_environment.h"

namespace corvel {

// The list editor: the user edits an ordered list of short texts (exchanges, currencies) handed in as
// one list text in `InpList`. Its answer in `Tag` is "1" after Save, when `InpList` holds the edited
// list, and "2" after Cancel, when `InpList` still holds what was handed in.
class frmModifyList final : public forms::Form {
  public:
    frmModifyList(const UiEnvironment& environment, CErrorHandler& errors);
    ~frmModifyList() override;

    std::string InpList();
    void InpList(std::string_view value);
    const std::shared_ptr<CAppSettings>& frmAppSettings() const noexcept { return app_settings_; }
    void frmAppSettings(std::shared_ptr<CAppSettings> value) noexcept { app_settings_ = std::move(value); }

    forms::ListBox lstParametr{*this, "lstParametr"};
    forms::TextBox txtInput{*this, "txtInput", "Text"};
    forms::Button ButAdd{*this, "ButAdd", "Add"};
    forms::Button ButDelete{*this, "ButDelete", "Delete"};
    forms::Button ButUp{*this, "ButUp", "Up"};
    forms::Button ButDown{*this, "ButDown", "Down"};
    forms::Button ButSave{*this, "ButSave", "Save"};
    forms::Button ButCancel{*this, "ButCancel", "Cancel"};

    void ButAdd_Click();
    void ButDelete_Click();
    void ButUp_Click();
    void ButDown_Click();
    void ButSave_Click();
    void ButCancel_Click();

  protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload(std::int32_t& Cancel) override;

  private:
    CallingProtocol protocol_;
    std::shared_ptr<CAppSettings> app_settings_;
    std::unique_ptr<CFormRestore> form_restore_;
    std::string inp_list_;
    // The list is filled on the first activation only: the dialog is activated again whenever a
    // dialog over it (the error dialog) closes, and filling again would repeat every item.
    bool filled_ = false;
};

}  // namespace corvel
