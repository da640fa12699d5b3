#include "ui/forms/form.h"

#include "common/automation_error.h"
#include "ui/forms/host.h"

namespace corvel::forms {

namespace {
// Clears a flag on every path out of a form event.
class FlagScope {
  public:
    explicit FlagScope(bool& flag) noexcept : flag_(flag) { flag_ = true; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    ~FlagScope() { flag_ = false; }

  private:
    bool& flag_;
};

// Finds a control by name in a container and everything it holds.
Control* find_in(const Container& container, std::string_view name) {
    for (Control* c : container.controls()) {
        if (c->Name() == name) return c;
        if (const auto* inner = dynamic_cast<const Container*>(c)) {
            if (Control* found = find_in(*inner, name)) return found;
        }
    }
    return nullptr;
}
}  // namespace

Form::Form(Host& host, std::string name) : Container(this), host_(host), name_(std::move(name)) {}

Form::~Form() {
    // A dialog dropped while loaded loses its window without running its events: nothing of the
    // derived dialog exists any more to handle them.
    if (loaded_) host_.destroy_window(*this);
}

void Form::changed(FormProperty what) {
    host_.changed(*this, what);
}

void Form::Caption(std::string_view value) {
    caption_ = value;
    changed(FormProperty::Caption);
}

void Form::WindowState(corvel::WindowState value) {
    assign(window_state_, value, FormProperty::WindowState);
}
void Form::BorderStyle(std::int32_t value) {
    assign(border_style_, value, FormProperty::BorderStyle);
}
void Form::Width(std::int32_t value) {
    assign(width_, value, FormProperty::Size);
}
void Form::Height(std::int32_t value) {
    assign(height_, value, FormProperty::Size);
}
void Form::Left(std::int32_t value) {
    assign(left_, value, FormProperty::Position);
}
void Form::Top(std::int32_t value) {
    assign(top_, value, FormProperty::Position);
}

void Form::Load() {
    if (loaded_ || loading_) return;
    FlagScope loading(loading_);
    window_ = host_.create_window(*this);
    loaded_ = true;
    Form_Load();
}

void Form::Show(ShowMode mode) {
    if (mode == ShowMode::Modal && visible_) {
        throw AutomationError(control_error::kFormAlreadyDisplayed, name_,
                              "Form already displayed; can't show modally");
    }
    Load();
    if (!loaded_) return;  // unloaded by its own load event
    if (!visible_) {
        visible_ = true;
        host_.show_window(*this, true);
    }
    activate();
    if (mode == ShowMode::Modal && visible_ && loaded_) host_.run_modal(*this);
}

void Form::activate() {
    Form_Activate();
}

void Form::Hide() {
    if (!visible_) return;
    visible_ = false;
    host_.show_window(*this, false);
}

void Form::Unload() {
    unload(unload_mode::kFormCode);
}

bool Form::user_close() {
    return unload(unload_mode::kFormControlMenu);
}

bool Form::unload(std::int32_t mode) {
    if (!loaded_) return true;
    if (unloading_) return false;
    {
        FlagScope unloading(unloading_);
        std::int32_t cancel = 0;
        Form_QueryUnload(cancel, mode);
        if (cancel != 0) return false;
        Form_Unload(cancel);
        if (cancel != 0) return false;
    }
    visible_ = false;
    loaded_ = false;
    active_control_ = nullptr;
    host_.destroy_window(*this);
    window_ = 0;
    return true;
}

std::int32_t Form::MsgBox(std::string_view prompt, std::int32_t style,
                          std::optional<std::string_view> title) {
    return host_.MsgBox(prompt, style, title);
}

Control* Form::find_control(std::string_view name) const {
    return find_in(*this, name);
}

}  // namespace corvel::forms
