#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/memory/memory_screen.h"
#include "platform/win32/forms_host/win32_host.h"
#include "ui/forms/host.h"
#include "ui/services/untrappable.h"

namespace corvel::forms {

// The script and the dialogs disagreed. It passes every procedure trap, so it reaches the test.
class ScriptMismatch : public std::logic_error, public Untrappable {
  public:
    using std::logic_error::logic_error;
};

// The scripted person of the headless host, on real windows: the same steps, played through the
// Win32 host while a dialog runs modally. Clicks are mouse input at the control, typing is keyboard
// input into the focused control, the close box is the window's close command, message boxes are
// the system's and are read and answered through their buttons. Each inspection also checks that
// the window shows what the model holds (caption, texts, enabled and visible states, items).
class Win32Player final : public Host {
  public:
    struct ShownMessage {
        std::string prompt;
        std::int32_t style = 0;
        std::string title;
    };

    explicit Win32Player(std::string application_title,
                         std::shared_ptr<MemoryScreen> screen = std::make_shared<MemoryScreen>());
    ~Win32Player() override;

    Win32Player& click(std::string target);
    Win32Player& type(std::string target, std::string text);
    Win32Player& select(std::string target, std::int32_t index);
    Win32Player& select(std::string target, std::string item);
    Win32Player& select_row(std::string target, std::int32_t row);
    Win32Player& close_box(std::string form = "");
    Win32Player& window_state(corvel::WindowState state, std::string form = "");
    Win32Player& inspect(std::function<void(Form&)> check, std::string form = "");
    Win32Player& message(std::string prompt, std::int32_t style, std::string title, std::int32_t answer);
    Win32Player& answer(std::int32_t answer);
    Win32Player& expect_hidden(std::string form);

    void verify() const;
    std::size_t steps_left() const noexcept { return steps_.size() - next_; }

    const std::vector<ShownMessage>& messages() const noexcept { return messages_; }
    int beeps() const noexcept { return beeps_; }
    const std::vector<std::string>& brought_to_front() const noexcept { return brought_to_front_; }
    MemoryScreen& memory_screen() noexcept { return *memory_screen_; }
    Form* active_form() const noexcept { return windows_.modal_form(); }

    std::int32_t MsgBox(std::string_view prompt, std::int32_t style,
                        std::optional<std::string_view> title = std::nullopt) override;
    WindowHandle create_window(Form& form) override { return windows_.create_window(form); }
    void destroy_window(Form& form) override { windows_.destroy_window(form); }
    void show_window(Form& form, bool visible) override { windows_.show_window(form, visible); }
    void run_modal(Form& form) override;
    void changed(Control& control, Property what) override { windows_.changed(control, what); }
    void changed(Form& form, FormProperty what) override { windows_.changed(form, what); }
    void beep() override { ++beeps_; }
    void bring_to_front(Form& form) override {
        brought_to_front_.push_back(form.Name());
        windows_.bring_to_front(form);
    }
    Screen& screen() override { return windows_.screen(); }

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

    Win32Player& add(Step step);
    Win32Player& add_targeted(Kind kind, std::string target, std::string text, std::int32_t number);
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void play();
    bool play_message(HWND box);
    bool play_on(Form& form, const Step& step);
    bool play_hidden(const Step& step);
    bool perform_on_control(const Step& step, Control& control);
    void check_window(Form& form);
    std::string describe(const Step& step) const;
    void mismatch(const std::string& what);

    std::string application_title_;
    std::shared_ptr<MemoryScreen> memory_screen_;
    win32::unique_hwnd owner_;
    win32::Win32Host windows_;
    std::vector<Step> steps_;
    mutable std::size_t next_ = 0;
    int waited_ = 0;
    bool clicked_into_ = false;
    bool trace_ = false;
    int settle_ = 0;
    bool answering_ = false;
    bool playing_ = false;
    UINT_PTR timer_ = 0;
    std::vector<ShownMessage> messages_;
    std::vector<std::string> brought_to_front_;
    int beeps_ = 0;
    std::optional<std::string> first_mismatch_;
    std::exception_ptr failure_;
};

}  // namespace corvel::forms
