#include "ui/forms/control.h"

#include <algorithm>

#include "common/automation_error.h"
#include "ui/forms/form.h"
#include "ui/forms/host.h"

namespace corvel::forms {

bool Container::shows(const Control&) const noexcept {
    return true;
}

Control::Control(Container& parent, std::string name)
    : parent_(parent), name_(std::move(name)), tab_index_(parent.form().next_tab_index_++) {
    parent_.children_.push_back(this);
}

Control::~Control() {
    auto& siblings = parent_.children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    Form& owner = form();
    if (owner.active_control_ == this) owner.active_control_ = nullptr;
}

void Control::changed(Property what) {
    form().host().changed(*this, what);
}

void Control::raise(std::int32_t number, const char* description) const {
    throw AutomationError(number, form().Name() + "." + name_, description);
}

void Control::Enabled(bool value) {
    if (enabled_ == value) return;
    enabled_ = value;
    changed(Property::Enabled);
}

void Control::Visible(bool value) {
    if (visible_ == value) return;
    visible_ = value;
    changed(Property::Visible);
}

void Control::ToolTipText(std::string_view value) {
    if (tooltip_ == value) return;
    tooltip_ = value;
    changed(Property::ToolTip);
}

void Control::TabIndex(std::int32_t value) {
    tab_index_ = value;
    changed(Property::TabIndex);
}

void Control::SetFocus() {
    if (!usable()) {
        raise(control_error::kInvalidProcedureCall, "Invalid procedure call or argument");
    }
    form().active_control_ = this;
    changed(Property::Focus);
}

bool Control::has_focus() const noexcept {
    return form().ActiveControl() == this;
}

void Control::Refresh() {
    changed(Property::Refresh);
}

bool Control::shown() const noexcept {
    if (!visible_ || !parent_.shows(*this)) return false;
    const Control* container = parent_.as_control();
    return container == nullptr || container->shown();
}

bool Control::usable() const noexcept {
    if (!shown()) return false;
    for (const Control* c = this; c != nullptr; c = c->parent_.as_control()) {
        if (!c->enabled_) return false;
    }
    return true;
}

}  // namespace corvel::forms
