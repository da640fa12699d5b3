#include "ui/tape/tape_builder.h"

#include "common/automation_error.h"
#include "ui/services/untrappable.h"

namespace corvel {

TapeBuilder::TapeBuilder(UiEnvironment environment, std::shared_ptr<CErrorHandler> errors,
                         std::shared_ptr<CAppSettings> settings, TapeOwner& owner)
    : environment_(std::move(environment)),
      errors_(std::move(errors)),
      settings_(std::move(settings)),
      owner_(owner) {}

TapeBuilder::~TapeBuilder() {
    UnloadfrmMaster();
}

std::string TapeBuilder::ShowRefEditInterface() {
    if (!dialog_) dialog_ = std::make_unique<frmAddRibbon>(environment_, *errors_);
    dialog_->frmAppSettings(settings_);
    dialog_->Owner(&owner_);
    dialog_->Show(forms::ShowMode::Modal);
    return dialog_->Tag();
}

void TapeBuilder::UnloadfrmMaster() {
    if (!dialog_) return;
    ignoring_failures([&] {
        dialog_->cLinkAddresseses(nullptr);
        dialog_->frmAppSettings(nullptr);
        dialog_->Owner(nullptr);
    });
    dialog_.reset();
}

frmAddRibbon& TapeBuilder::existing_dialog(const char* member) const {
    if (!dialog_) {
        throw AutomationError(kErrNoTapeDialog, std::string("Pelorin.cPelorin.") + member,
                              "The tape dialog is not open: call ShowRefEditInterface first");
    }
    return *dialog_;
}

std::string TapeBuilder::RefEditInputs() const {
    return existing_dialog("RefEditInputs").DataBeginning();
}

void TapeBuilder::RefEditInputs(std::string_view value) {
    existing_dialog("RefEditInputs").DataBeginning(value);
}

}  // namespace corvel
