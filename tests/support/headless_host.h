#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/memory/memory_screen.h"
#include "tests/support/script.h"
#include "ui/forms/host.h"

namespace corvel::forms {

// A host without windows that plays a scripted person. The script is one list of steps for the whole
// conversation: whichever dialog is shown modally takes the next user action (click, type, select,
// close box, ...), and every message box takes the next message step, whose expectations it must meet.
// A nested dialog takes its steps and, when it closes, the dialog below continues with the rest.
//
// A step names a control ("ButAdd") or a control of a named dialog ("frmModifyList.ButAdd"); the
// dialog must be the one shown. Clicking a disabled or hidden control, a dialog waiting while the
// script has ended, a message box where the script expects a click: each throws `ScriptMismatch`
// naming the step and what the dialogs did instead, and `verify` throws it again at the end (with
// the first unreached step, if any).
class HeadlessHost final : public Host, public Script<HeadlessHost> {
  public:
    // `application_title` is the title of message boxes shown without one.
    explicit HeadlessHost(std::string application_title,
                          std::shared_ptr<MemoryScreen> screen = std::make_shared<MemoryScreen>());
    ~HeadlessHost() override;

    // Throws `ScriptMismatch` if the conversation went other than scripted or left steps unplayed.
    void verify() const;

    // --- What happened.
    const std::vector<ShownMessage>& messages() const noexcept { return messages_; }
    int beeps() const noexcept { return beeps_; }
    // Names of the dialogs brought to the front, in order.
    const std::vector<std::string>& brought_to_front() const noexcept { return brought_to_front_; }
    MemoryScreen& memory_screen() noexcept { return *screen_; }
    // The dialog whose modal display is running innermost, or null.
    Form* active_form() const noexcept { return modal_.empty() ? nullptr : modal_.back(); }

    // --- Host.
    std::int32_t MsgBox(std::string_view prompt, std::int32_t style,
                        std::optional<std::string_view> title = std::nullopt) override;
    WindowHandle create_window(Form& form) override;
    void destroy_window(Form& form) override;
    void show_window(Form& form, bool visible) override;
    void run_modal(Form& form) override;
    void changed(Control& control, Property what) override;
    void changed(Form& form, FormProperty what) override;
    void beep() override { ++beeps_; }
    void bring_to_front(Form& form) override { brought_to_front_.push_back(form.Name()); }
    Screen& screen() override { return *screen_; }

  private:
    void perform(const Step& step, std::size_t index, Form& form);
    void perform_on_control(const Step& step, const std::string& where, Control& control);
    std::string describe(const Step& step, std::size_t index) const;
    [[noreturn]] void mismatch(const std::string& what);

    std::string application_title_;
    std::shared_ptr<MemoryScreen> screen_;
    std::vector<Form*> modal_;
    std::map<WindowHandle, Form*> windows_;
    std::vector<ShownMessage> messages_;
    std::vector<std::string> brought_to_front_;
    int beeps_ = 0;
    std::optional<std::string> first_mismatch_;
};

}  // namespace corvel::forms
