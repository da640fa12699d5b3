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
#include "ui/forms/host.h"
#include "ui/services/untrappable.h"

namespace corvel::forms {

// The script and the dialogs disagreed. It passes every procedure trap, so it reaches the test.
class ScriptMismatch : public std::logic_error, public Untrappable {
  public:
    using std::logic_error::logic_error;
};

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
class HeadlessHost final : public Host {
  public:
    struct ShownMessage {
        std::string prompt;
        std::int32_t style = 0;
        std::string title;
    };

    // `application_title` is the title of message boxes shown without one.
    explicit HeadlessHost(std::string application_title,
                          std::shared_ptr<MemoryScreen> screen = std::make_shared<MemoryScreen>());
    ~HeadlessHost() override;

    // --- The script. Each step returns the host, so a conversation reads as one chain.
    HeadlessHost& click(std::string target);
    HeadlessHost& type(std::string target, std::string text);
    // Picks an item of a list or drop-down list, or a tab, by index or by its text.
    HeadlessHost& select(std::string target, std::int32_t index);
    HeadlessHost& select(std::string target, std::string item);
    HeadlessHost& select_row(std::string target, std::int32_t row);
    // The close box of the shown dialog (or of the named one, which must be the one shown).
    HeadlessHost& close_box(std::string form = "");
    // The user minimises, maximises or restores the shown dialog.
    HeadlessHost& window_state(corvel::WindowState state, std::string form = "");
    // Runs `check` against the shown dialog at this point of the conversation (for the test's own
    // expectations on what the person sees).
    HeadlessHost& inspect(std::function<void(Form&)> check, std::string form = "");
    // The next message box must show exactly this prompt, style (buttons + icon) and title; the
    // person answers `answer`.
    HeadlessHost& message(std::string prompt, std::int32_t style, std::string title, std::int32_t answer);
    // The next message box, whatever it shows, is answered `answer`.
    HeadlessHost& answer(std::int32_t answer);
    // The named dialog's modal display has ended at this point.
    HeadlessHost& expect_hidden(std::string form);

    // Throws `ScriptMismatch` if the conversation went other than scripted or left steps unplayed.
    void verify() const;
    std::size_t steps_left() const noexcept { return steps_.size() - next_; }

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
    enum class Kind {
        Click,
        Type,
        SelectIndex,
        SelectItem,
        SelectRow,
        CloseBox,
        WindowState,
        Inspect,
        Message,
        ExpectHidden
    };
    struct Step {
        Kind kind = Kind::Click;
        std::string form;
        std::string control;
        std::string text;
        std::int32_t number = 0;
        std::optional<ShownMessage> expected;
        std::function<void(Form&)> check;
    };

    HeadlessHost& add(Step step);
    HeadlessHost& add_targeted(Kind kind, std::string target, std::string text, std::int32_t number);
    void perform(const Step& step, std::size_t index, Form& form);
    void perform_on_control(const Step& step, const std::string& where, Control& control);
    std::string describe(const Step& step, std::size_t index) const;
    [[noreturn]] void mismatch(const std::string& what);

    std::string application_title_;
    std::shared_ptr<MemoryScreen> screen_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    std::vector<Form*> modal_;
    std::map<WindowHandle, Form*> windows_;
    std::vector<ShownMessage> messages_;
    std::vector<std::string> brought_to_front_;
    int beeps_ = 0;
    std::optional<std::string> first_mismatch_;
};

}  // namespace corvel::forms
