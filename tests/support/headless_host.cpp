#include "tests/support/headless_host.h"

#include <algorithm>
#include <utility>

#include "ui/forms/button.h"
#include "ui/forms/check_box.h"
#include "ui/forms/combo_box.h"
#include "ui/forms/grid.h"
#include "ui/forms/list_box.h"
#include "ui/forms/option_button.h"
#include "ui/forms/tab_container.h"
#include "ui/forms/text_box.h"

namespace corvel::forms {

namespace {
std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string describe_style(std::int32_t style) {
    static const char* const kButtons[] = {"OK",     "OK/Cancel",   "Abort/Retry/Ignore", "Yes/No/Cancel",
                                           "Yes/No", "Retry/Cancel"};
    const std::int32_t buttons = style & msgbox::kButtonsMask;
    std::string text = "style " + std::to_string(style) + " (";
    switch (style & msgbox::kIconMask) {
        case msgbox::kCritical:
            text += "critical, ";
            break;
        case msgbox::kQuestion:
            text += "question, ";
            break;
        case msgbox::kExclamation:
            text += "exclamation, ";
            break;
        case msgbox::kInformation:
            text += "information, ";
            break;
        default:
            break;
    }
    text += buttons <= msgbox::kRetryCancel ? kButtons[buttons] : "unknown buttons";
    return text + ")";
}

std::string describe_message(const HeadlessHost::ShownMessage& m) {
    return "message box " + quoted(m.prompt) + " with " + describe_style(m.style) + " titled " +
           quoted(m.title);
}

bool answer_fits(std::int32_t style, std::int32_t answer) {
    switch (style & msgbox::kButtonsMask) {
        case msgbox::kOkOnly:
            return answer == msgbox::kOk;
        case msgbox::kOkCancel:
            return answer == msgbox::kOk || answer == msgbox::kCancel;
        case msgbox::kAbortRetryIgnore:
            return answer == msgbox::kAbort || answer == msgbox::kRetry || answer == msgbox::kIgnore;
        case msgbox::kYesNoCancel:
            return answer == msgbox::kYes || answer == msgbox::kNo || answer == msgbox::kCancel;
        case msgbox::kYesNo:
            return answer == msgbox::kYes || answer == msgbox::kNo;
        case msgbox::kRetryCancel:
            return answer == msgbox::kRetry || answer == msgbox::kCancel;
        default:
            return false;
    }
}

std::string item_list(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items)
        text += (text.empty() ? "" : ", ") + quoted(item);
    return text.empty() ? "none" : text;
}
}  // namespace

HeadlessHost::HeadlessHost(std::string application_title, std::shared_ptr<MemoryScreen> screen)
    : application_title_(std::move(application_title)), screen_(std::move(screen)) {
    screen_->on_state_change([this](WindowHandle window, corvel::WindowState state) {
        const auto it = windows_.find(window);
        if (it != windows_.end()) it->second->window_state_changed(state);
    });
}

HeadlessHost::~HeadlessHost() {
    screen_->on_state_change(nullptr);
}

std::string HeadlessHost::describe(const Step& step, std::size_t index) const {
    const std::string target = (step.form.empty() ? "" : step.form + ".") + step.control;
    std::string what;
    switch (step.kind) {
        case Kind::Click:
            what = "click " + target;
            break;
        case Kind::Type:
            what = "type " + quoted(step.text) + " into " + target;
            break;
        case Kind::SelectIndex:
            what = "select item " + std::to_string(step.number) + " of " + target;
            break;
        case Kind::SelectItem:
            what = "select " + quoted(step.text) + " in " + target;
            break;
        case Kind::SelectRow:
            what = "select row " + std::to_string(step.number) + " of " + target;
            break;
        case Kind::CloseBox:
            what = "press the close box" + (step.form.empty() ? "" : " of " + step.form);
            break;
        case Kind::WindowState:
            what = "set the window state to " + std::to_string(step.number);
            break;
        case Kind::Inspect:
            what = "inspect" + (step.form.empty() ? "" : " " + step.form);
            break;
        case Kind::Message:
            what = step.expected
                       ? "answer " + std::to_string(step.number) + " to " + describe_message(*step.expected)
                       : "answer " + std::to_string(step.number) + " to the next message box";
            break;
        case Kind::ExpectHidden:
            what = "expect " + step.form + " hidden";
            break;
    }
    return "script step " + std::to_string(index + 1) + " (" + what + ")";
}

void HeadlessHost::mismatch(const std::string& what) {
    if (!first_mismatch_) first_mismatch_ = what;
    throw ScriptMismatch(what);
}

void HeadlessHost::verify() const {
    if (first_mismatch_) throw ScriptMismatch(*first_mismatch_);
    if (next_ < steps_.size()) {
        throw ScriptMismatch(describe(steps_[next_], next_) +
                             " was never reached: no dialog was waiting for it");
    }
}

// --- Modal display

void HeadlessHost::run_modal(Form& form) {
    modal_.push_back(&form);
    struct Pop {
        std::vector<Form*>& modal;
        ~Pop() { modal.pop_back(); }
    } pop{modal_};

    while (form.Visible() && form.Loaded()) {
        if (next_ >= steps_.size()) {
            mismatch("the script has ended, but " + form.Name() + " is still shown and waits for the user");
        }
        const std::size_t index = next_;
        const Step& step = steps_[index];
        if (step.kind == Kind::Message) {
            mismatch(describe(step, index) + " is next, but no message box appeared: " + form.Name() +
                     " waits for the user");
        }
        if (step.kind == Kind::ExpectHidden) {
            mismatch(describe(step, index) + " is next, but " + form.Name() + " is still shown");
        }
        ++next_;
        perform(step, index, form);
    }
    if (next_ < steps_.size() && steps_[next_].kind == Kind::ExpectHidden &&
        steps_[next_].form == form.Name()) {
        ++next_;
    }
    // The dialog below becomes the active window again.
    if (modal_.size() >= 2) {
        Form& below = *modal_[modal_.size() - 2];
        if (below.Visible() && below.Loaded()) below.activate();
    }
}

void HeadlessHost::perform(const Step& step, std::size_t index, Form& form) {
    const std::string where = describe(step, index);
    if (!step.form.empty() && step.form != form.Name()) {
        mismatch(where + ": " + form.Name() + " is the dialog shown, not " + step.form);
    }
    switch (step.kind) {
        case Kind::CloseBox:
            form.user_close();
            return;
        case Kind::WindowState:
            form.WindowState(static_cast<corvel::WindowState>(step.number));
            return;
        case Kind::Inspect:
            step.check(form);
            return;
        default:
            break;
    }
    Control* control = form.find_control(step.control);
    if (control == nullptr) mismatch(where + ": " + form.Name() + " has no control named " + step.control);
    if (!control->shown()) mismatch(where + ": " + step.control + " is not visible");
    if (!control->Enabled() || !control->usable()) mismatch(where + ": " + step.control + " is disabled");
    perform_on_control(step, where, *control);
}

void HeadlessHost::perform_on_control(const Step& step, const std::string& where, Control& control) {
    const auto refuse = [&](const char* action) {
        mismatch(where + ": " + control.Name() + " is a " + control.kind() + ", which cannot be " + action);
    };
    switch (step.kind) {
        case Kind::Click:
            if (auto* button = dynamic_cast<Button*>(&control)) return button->user_click();
            if (auto* check = dynamic_cast<CheckBox*>(&control)) return check->user_click();
            if (auto* option = dynamic_cast<OptionButton*>(&control)) return option->user_click();
            return refuse("clicked");
        case Kind::Type:
            if (auto* text = dynamic_cast<TextBox*>(&control)) {
                if (text->Locked()) mismatch(where + ": " + control.Name() + " is locked");
                return text->user_type(step.text);
            }
            if (auto* combo = dynamic_cast<ComboBox*>(&control)) {
                if (combo->style() == ComboBox::Style::DropDownList) {
                    mismatch(where + ": " + control.Name() + " only lets the user pick an item");
                }
                return combo->user_type(step.text);
            }
            return refuse("typed into");
        case Kind::SelectIndex:
        case Kind::SelectItem: {
            if (auto* tabs = dynamic_cast<TabContainer*>(&control)) {
                std::vector<std::string> captions;
                for (std::int32_t i = 0; i < tabs->NumTabs(); ++i)
                    captions.push_back(tabs->TabCaption(i));
                const auto it = std::find(captions.begin(), captions.end(), step.text);
                const std::int32_t index = step.kind == Kind::SelectIndex
                                               ? step.number
                                               : static_cast<std::int32_t>(it - captions.begin());
                if (index < 0 || index >= tabs->NumTabs()) {
                    mismatch(where + ": " + control.Name() +
                             " has no such tab (tabs: " + item_list(captions) + ")");
                }
                return tabs->user_select(index);
            }
            auto* list = dynamic_cast<ListControl*>(&control);
            if (list == nullptr) return refuse("selected from");
            const auto& items = list->items();
            const std::int32_t index =
                step.kind == Kind::SelectIndex
                    ? step.number
                    : static_cast<std::int32_t>(std::find(items.begin(), items.end(), step.text) -
                                                items.begin());
            if (index < 0 || index >= list->ListCount()) {
                mismatch(where + ": " + control.Name() + " has no such item (items: " + item_list(items) +
                         ")");
            }
            return list->user_select(index);
        }
        case Kind::SelectRow: {
            auto* grid = dynamic_cast<Grid*>(&control);
            if (grid == nullptr) return refuse("given a row");
            if (step.number < 0 || step.number >= grid->Rows()) {
                mismatch(where + ": " + control.Name() + " has " + std::to_string(grid->Rows()) + " rows");
            }
            return grid->user_select_row(step.number);
        }
        default:
            return;
    }
}

// --- Message boxes

std::int32_t HeadlessHost::MsgBox(std::string_view prompt, std::int32_t style,
                                  std::optional<std::string_view> title) {
    ShownMessage shown{std::string(prompt), style, title ? std::string(*title) : application_title_};
    messages_.push_back(shown);
    const std::string what = describe_message(shown);
    if (next_ >= steps_.size()) mismatch(what + " appeared, but the script has ended");
    const std::size_t index = next_;
    const Step& step = steps_[index];
    if (step.kind != Kind::Message) mismatch(what + " appeared where " + describe(step, index) + " is next");
    ++next_;
    if (step.expected) {
        const ShownMessage& expected = *step.expected;
        if (expected.prompt != shown.prompt || expected.style != shown.style ||
            expected.title != shown.title) {
            mismatch(describe(step, index) + ": " + what + " appeared instead");
        }
    }
    if (!answer_fits(style, step.number)) {
        mismatch(describe(step, index) + ": the answer is not one of the buttons of " + what);
    }
    return step.number;
}

// --- Windows

WindowHandle HeadlessHost::create_window(Form& form) {
    const WindowHandle handle =
        screen_->create_window(form.Left(), form.Top(), form.Width(), form.Height(), form.WindowState());
    windows_[handle] = &form;
    return handle;
}

void HeadlessHost::destroy_window(Form& form) {
    screen_->destroy_window(form.hWnd());
    windows_.erase(form.hWnd());
}

void HeadlessHost::show_window(Form& form, bool visible) {
    screen_->show_window(form.hWnd(), visible);
}

void HeadlessHost::changed(Control&, Property) {}

void HeadlessHost::changed(Form& form, FormProperty what) {
    if (what == FormProperty::WindowState && form.Loaded())
        screen_->set_state(form.hWnd(), form.WindowState());
}

}  // namespace corvel::forms
